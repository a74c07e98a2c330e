#include "app/AboutView.h"

#include "app/MenuCommands.h"
#include "app/PanelWidgets.h"
#include "editors/EditorControl.h"
#include "editors/ImageButton.h"
#include "viewport/ViewModel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr double kCornerRadius = 20;
constexpr double kOutlineWidth = 2;
constexpr int kImageWidth = 200;
constexpr int kImageHeight = 159;
// Default padding above the name and "Production".
constexpr int kTopPadding = 8;

// The style of the date, copyright and web-site lines: the system font at
// 16 points, bold.
QFont infoFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(16);
    font.setWeight(QFont::Bold);
    return font;
}

QFont bodyFont(const QFont& base)
{
    QFont font = base;
    font.setBold(true);
    return font;
}

QLabel* makeLabel(const QString& text, const char* name, const QFont& font, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(font);
    return label;
}

// A date or time format cut into fields (runs of one pattern letter) and
// literal text (quoted text, punctuation, blanks), so that one field can be
// dropped together with the separator that belongs to it.
struct FormatToken {
    QString text;
    QChar field; // the pattern letter, or null for literal text
};

QList<FormatToken> tokenizeFormat(const QString& format)
{
    static const QString fieldLetters = QStringLiteral("dMyhHmszaApt");
    QList<FormatToken> tokens;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype end = i + 1;
        if (c == u'\'') {
            // Up to the closing quote; '' inside stands for one quote.
            while (end < format.size()) {
                if (format[end] == u'\'' && end + 1 < format.size() && format[end + 1] == u'\'')
                    end += 2;
                else if (format[end++] == u'\'')
                    break;
            }
            tokens.append({format.mid(i, end - i), QChar()});
        } else if (fieldLetters.contains(c)) {
            while (end < format.size() && format[end] == c)
                ++end;
            tokens.append({format.mid(i, end - i), c});
        } else {
            tokens.append({QString(c), QChar()});
        }
        i = end;
    }
    return tokens;
}

bool isSeparator(const FormatToken& token)
{
    return token.field.isNull() && token.text.size() == 1 && (token.text[0].isSpace() || token.text[0].isPunct());
}

// The format without the fields `drop` picks, each with the separators on
// one side of it: after it when it leads, else before it. A format that would
// be left empty is kept whole.
template <typename Pick>
QString withoutFields(const QString& format, Pick drop)
{
    QList<FormatToken> tokens = tokenizeFormat(format);
    for (qsizetype i = 0; i < tokens.size();) {
        if (!drop(tokens[i])) {
            ++i;
            continue;
        }
        qsizetype from = i;
        qsizetype to = i + 1;
        if (i == 0) {
            while (to < tokens.size() && isSeparator(tokens[to]))
                ++to;
        } else {
            while (from > 0 && isSeparator(tokens[from - 1]))
                --from;
        }
        tokens.remove(from, to - from);
        i = from;
    }
    QString text;
    for (const FormatToken& token : tokens)
        text += token.text;
    text = text.trimmed();
    return text.isEmpty() ? format : text;
}

// A build date needs the day, month and year; the long formats of most
// locales also name the weekday.
QString dateFormatWithoutWeekday(const QString& format)
{
    return withoutFields(format, [](const FormatToken& t) { return t.field == u'd' && t.text.size() >= 3; });
}

// Hours and minutes only; the short time format of some locales (C among
// them) carries seconds.
QString timeFormatWithoutSeconds(const QString& format)
{
    return withoutFields(format, [](const FormatToken& t) { return t.field == u's' || t.field == u'z'; });
}

} // namespace

// The version is the project's (CMake's project version); a build has no
// bundle file to read it from.
const char* const AboutView::productName = "Brindlex";
const char* const AboutView::productVersion = "0.1";
const char* const AboutView::copyrightNotice = "Copyright \u00A9 2026 The Brindlex authors";

AboutView::AboutView(ViewModel& viewModel, QWidget* parent) : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("aboutViewCard"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(cardWidth, cardHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, int(kCornerRadius / 2));
    column->setSpacing(8);

    // Title row: the name centred across the card, the close button at the
    // trailing edge, then 20 points of room.
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 0, 0, 0);
    auto* titleGroup = new QWidget(this);
    auto* titleGrid = new QGridLayout(titleGroup);
    titleGrid->setContentsMargins(20, 0, 0, 0);
    QFont titleFontBold = titleFont();
    titleFontBold.setBold(true);
    title_ = makeLabel(QString::fromUtf8(productName), "aboutTitle", titleFontBold, titleGroup);
    title_->setContentsMargins(0, kTopPadding, 0, 0);
    title_->setToolTip(QStringLiteral("Version %1").arg(QLatin1String(productVersion)));
    close_ = new ImageButton(false, Qt::red, 10, false, true, 20, QStringLiteral("xmark.circle.fill"),
        [this] { close(); }, titleGroup);
    close_->setObjectName(QStringLiteral("aboutCloseButton"));
    close_->setToolTip(QStringLiteral("Close"));
    titleGrid->addWidget(title_, 0, 0, Qt::AlignHCenter | Qt::AlignBottom);
    titleGrid->addWidget(close_, 0, 0, Qt::AlignRight | Qt::AlignTop);
    titleRow->addWidget(titleGroup, 1);
    titleRow->addSpacing(20);
    column->addSpacing(kTopPadding);
    column->addLayout(titleRow);

    production_ = makeLabel(QStringLiteral("Production"), "aboutProduction", bodyFont(font()), this);
    production_->setContentsMargins(0, kTopPadding, 0, 0);
    QPalette red = production_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    production_->setPalette(red);
    column->addWidget(production_);

    const QFont info = infoFont(font());
    date_ = makeLabel(formatBuildDate(buildDate()), "aboutDate", info, this);
    column->addWidget(date_);

    image_ = new QLabel(this);
    image_->setObjectName(QStringLiteral("aboutIcon"));
    image_->setFixedSize(kImageWidth, kImageHeight);
    image_->setAlignment(Qt::AlignCenter);
    const QPixmap picture(QStringLiteral(":/icons/aboutIcon.png"));
    if (!picture.isNull()) {
        // Scaled to fit the frame, at the screen's pixel density.
        const qreal ratio = devicePixelRatioF();
        QPixmap scaled = picture.scaled(QSize(kImageWidth, kImageHeight) * ratio, Qt::KeepAspectRatio,
            Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        image_->setPixmap(scaled);
    }
    strokedBorderOverlay(image_, Qt::black, 2);
    auto* imageShadow = new QGraphicsDropShadowEffect(image_);
    imageShadow->setBlurRadius(5);
    imageShadow->setOffset(0, 0);
    imageShadow->setColor(QColor::fromRgbF(0, 0, 0, 0.33f));
    image_->setGraphicsEffect(imageShadow);
    column->addWidget(image_, 0, Qt::AlignHCenter);

    copyright_ = makeLabel(QString::fromUtf8(copyrightNotice), "aboutCopyright", info, this);
    column->addWidget(copyright_);

    webSite_ = new ClickableLabel(QString::fromLatin1(MenuCommands::productSiteAddress), this);
    webSite_->setObjectName(QStringLiteral("aboutWebSite"));
    webSite_->setTextFormat(Qt::PlainText);
    webSite_->setAlignment(Qt::AlignCenter);
    webSite_->setFont(info);
    webSite_->setCursor(Qt::PointingHandCursor);
    QPalette blue = webSite_->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    webSite_->setPalette(blue);
    // An address that is not a valid URL opens nothing.
    connect(webSite_, &ClickableLabel::clicked, this,
        [] { MenuCommands::openWebAddress(MenuCommands::productSiteAddress); });
    column->addWidget(webSite_);

    column->addStretch(1);
}

AboutView* AboutView::install(QWidget* host, ViewModel& viewModel)
{
    // The card paints its own rounded face; the host only carries it.
    if (auto* frame = qobject_cast<QFrame*>(host))
        frame->setFrameShape(QFrame::NoFrame);
    host->setAutoFillBackground(false);
    host->setAttribute(Qt::WA_TranslucentBackground);
    host->setMinimumSize(cardWidth, cardHeight);
    auto* shadow = new QGraphicsDropShadowEffect(host);
    shadow->setBlurRadius(40);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor::fromRgbF(0, 0, 0, 0.33f));
    host->setGraphicsEffect(shadow);
    auto* card = new AboutView(viewModel, host);
    if (QLayout* layout = host->layout())
        layout->addWidget(card);
    return card;
}

QDateTime AboutView::buildDate()
{
    const QString program = QCoreApplication::applicationFilePath();
    if (!program.isEmpty()) {
        const QDateTime modified = QFileInfo(program).lastModified().toUTC();
        if (modified.isValid())
            return modified;
    }
    return QDateTime::currentDateTimeUtc();
}

QString AboutView::formatBuildDate(const QDateTime& date, const QLocale& locale)
{
    const QDateTime gmt = date.toUTC();
    return locale.toString(gmt.date(), dateFormatWithoutWeekday(locale.dateFormat(QLocale::LongFormat)))
        + QStringLiteral(", ") + locale.toString(gmt.time(), timeFormatWithoutSeconds(locale.timeFormat(QLocale::ShortFormat)))
        + QStringLiteral(" GMT");
}

void AboutView::close()
{
    viewModel.setIsShowingAboutView(false);
    viewModel.syncDisableWithAboutView();
}

void AboutView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The date is taken afresh each time the card is shown.
    date_->setText(formatBuildDate(buildDate()));
}

void AboutView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double h = kOutlineWidth / 2;
    QPainterPath face;
    face.addRoundedRect(QRectF(rect()).adjusted(h, h, -h, -h), kCornerRadius, kCornerRadius);
    p.fillPath(face, Qt::white);
    p.setPen(QPen(Qt::black, kOutlineWidth));
    p.setBrush(Qt::NoBrush);
    p.drawPath(face);
}
