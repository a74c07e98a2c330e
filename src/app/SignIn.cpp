#include "app/SignIn.h"

#include "editors/EditorControl.h"
#include "editors/ImageButton.h"
#include "viewport/ViewModel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr double kCornerRadius = 20;
constexpr double kOutlineWidth = 3;
constexpr int kFieldHeight = 40;
constexpr int kCardWidth = 400;
constexpr int kCardHeight = 350;

QLabel* makeFieldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFixedHeight(kFieldHeight);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QLineEdit* makeField(const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setFixedHeight(kFieldHeight);
    field->setFrame(false);
    field->setPlaceholderText(QString());
    // 12 points in from each side, on white.
    field->setTextMargins(12, 0, 12, 0);
    QPalette pal = field->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    field->setPalette(pal);
    field->setAutoFillBackground(true);
    strokedBorderOverlay(field, Qt::gray, 2);
    return field;
}

// A group of a label over its field, 11 points apart.
QVBoxLayout* makeGroup(QLabel* label, QLineEdit* field)
{
    auto* group = new QVBoxLayout;
    group->setContentsMargins(0, 0, 0, 0);
    group->setSpacing(11);
    group->addWidget(label);
    group->addWidget(field);
    return group;
}

} // namespace

// ---- SignInViewBackground ----

QColor SignInViewBackground::topColor() const
{
    return isNight ? QColor(Qt::black) : QColor::fromRgbF(0.678f, 0.847f, 1.0f, 1.0f);
}

void SignInViewBackground::paint(QPainter& painter, const QRectF& area) const
{
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0, topColor());
    gradient.setColorAt(1, Qt::white);
    painter.fillRect(area, gradient);
}

// ---- SignIn ----

SignIn::SignIn(int width, int height, ViewModel& viewModel, QWidget* parent) : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("signIn"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(std::clamp(width, 1, 4000), std::clamp(height, 1, 4000));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);

    title_ = new QLabel(QStringLiteral("Enter your login and password"), this);
    title_->setObjectName(QStringLiteral("signInTitle"));
    title_->setFont(titleFont());
    title_->setAlignment(Qt::AlignCenter);
    title_->setWordWrap(true);
    title_->setContentsMargins(0, 10, 0, 0);
    column->addWidget(title_);

    login_ = makeField("loginField", this);
    column->addLayout(makeGroup(makeFieldLabel(QStringLiteral("Login"), this), login_));

    password_ = makeField("passwordField", this);
    password_->setEchoMode(QLineEdit::Password);
    column->addLayout(makeGroup(makeFieldLabel(QStringLiteral("Password"), this), password_));

    column->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    cancel_->setAutoDefault(false);
    signIn_ = new QPushButton(QStringLiteral("Sign In"), this);
    signIn_->setObjectName(QStringLiteral("signInButton"));
    signIn_->setAutoDefault(false);
    // The prominent button of the card: filled with the accent colour.
    signIn_->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: #0a64d8; color: white; border: none; border-radius: 5px;"
        " padding: 5px 14px; }"
        "QPushButton:pressed { background-color: #0850ad; }"));
    buttons->addWidget(cancel_);
    buttons->addWidget(signIn_);
    buttons->addStretch(1);
    column->addLayout(buttons);

    // Every edit (typing, paste, deletion) goes straight to the view model,
    // whose setters ask for a redraw. The commit callbacks do nothing.
    connect(login_, &QLineEdit::textEdited, this, [this](const QString& text) { this->viewModel.setLogin(text); });
    connect(password_, &QLineEdit::textEdited, this,
        [this](const QString& text) { this->viewModel.setPassword(text); });
    // Neither button reads, checks, keeps or sends what was typed.
    connect(cancel_, &QPushButton::clicked, this, &SignIn::close);
    connect(signIn_, &QPushButton::clicked, this, &SignIn::close);
    connect(&viewModel, &ViewModel::flagsChanged, this, &SignIn::syncFields);

    syncFields();
}

SignIn* SignIn::install(QWidget* host, ViewModel& viewModel)
{
    // The card paints its own rounded face; the host only carries it.
    if (auto* frame = qobject_cast<QFrame*>(host))
        frame->setFrameShape(QFrame::NoFrame);
    host->setAutoFillBackground(false);
    host->setAttribute(Qt::WA_TranslucentBackground);
    auto* card = new SignIn(kCardWidth, kCardHeight, viewModel, host);
    if (QLayout* layout = host->layout())
        layout->addWidget(card);
    return card;
}

void SignIn::syncFields()
{
    if (login_->text() != viewModel.login())
        login_->setText(viewModel.login());
    if (password_->text() != viewModel.password())
        password_->setText(viewModel.password());
}

void SignIn::close()
{
    viewModel.setIsShowingAccountView(false);
    viewModel.syncDisableWithAccountView();
}

void SignIn::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    syncFields();
}

void SignIn::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double h = kOutlineWidth / 2;
    QPainterPath face;
    face.addRoundedRect(QRectF(rect()).adjusted(h, h, -h, -h), kCornerRadius, kCornerRadius);
    p.save();
    p.setClipPath(face);
    background_.paint(p, rect());
    p.restore();
    p.setPen(QPen(Qt::gray, kOutlineWidth));
    p.setBrush(Qt::NoBrush);
    p.drawPath(face);
}
