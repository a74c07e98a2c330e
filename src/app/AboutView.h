#pragma once
// The About box: a 400 by 350 card over the sheet area with the product's
// name, "Production", the build date, the About picture, the copyright and
// the product web site, which opens in the browser when clicked. Its close
// button clears the view model's isShowingAboutView.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QWidget>

class ClickableLabel;
class ImageButton;
class QLabel;
class ViewModel;

class AboutView : public QWidget {
    Q_OBJECT
public:
    static constexpr int cardWidth = 400;
    static constexpr int cardHeight = 350;

    static const char* const productName;
    static const char* const productVersion;
    static const char* const copyrightNotice;

    explicit AboutView(ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;

    // When the program was built: the modification time of its executable
    // file, or now when that cannot be read.
    static QDateTime buildDate();
    // The date line, in GMT: the locale's long date (without the weekday)
    // and short time (without seconds), then " GMT". The user's locale is
    // the system's, whatever default the program has set.
    static QString formatBuildDate(const QDateTime& date, const QLocale& locale = QLocale::system());

    QLabel* titleLabel() const { return title_; }
    QLabel* productionLabel() const { return production_; }
    QLabel* dateLabel() const { return date_; }
    QLabel* imageLabel() const { return image_; }
    QLabel* copyrightLabel() const { return copyright_; }
    ClickableLabel* webSiteLabel() const { return webSite_; }
    ImageButton* closeButton() const { return close_; }

    // Puts a new card into the main view's host and gives the host the
    // card's shadow.
    static AboutView* install(QWidget* host, ViewModel& viewModel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void close();

    QLabel* title_;
    QLabel* production_;
    QLabel* date_;
    QLabel* image_;
    QLabel* copyright_;
    ClickableLabel* webSite_;
    ImageButton* close_;
};
