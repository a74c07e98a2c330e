#pragma once
// The account box: a card on a light-blue gradient with "Login" and
// "Password" fields that edit the view model's login and password as the
// user types, and "Cancel" (Ctrl+P) and "Sign In" buttons that only close
// the card. Nothing is checked or sent anywhere.

#include <QColor>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class ViewModel;

// The card's background: a gradient top to bottom from light blue (black at
// night) to white.
class SignInViewBackground {
public:
    explicit SignInViewBackground(bool isNight) : isNight(isNight) {}

    bool isNight;
    // The colour the gradient starts with at the top.
    QColor topColor() const;
    // Fills the area with the gradient (under the painter's clip).
    void paint(QPainter& painter, const QRectF& area) const;
};

class SignIn : public QWidget {
    Q_OBJECT
public:
    SignIn(int width, int height, ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;

    QLabel* titleLabel() const { return title_; }
    QLineEdit* loginField() const { return login_; }
    QLineEdit* passwordField() const { return password_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* signInButton() const { return signIn_; }

    // Puts a new 400 by 350 card into the main view's host.
    static SignIn* install(QWidget* host, ViewModel& viewModel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Shows the view model's current values (leaving a field alone when it
    // already shows its value, so the cursor stays where it is).
    void syncFields();
    void close();

    SignInViewBackground background_{false};
    QLabel* title_;
    QLineEdit* login_;
    QLineEdit* password_;
    QPushButton* cancel_;
    QPushButton* signIn_;
};
