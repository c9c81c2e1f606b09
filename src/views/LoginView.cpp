#include "views/LoginView.h"

#include "app/auth/AuthService.h"
#include "app/shell/ShellTexts.h"
#include "views/Theme.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vantry {

namespace {

// A stack of cards with a person badge, drawn in the accent colour (no icon theme needed).
QPixmap signInIcon(const QColor& accent, qreal devicePixelRatio)
{
    const int side = 56;
    QPixmap pixmap(QSize(side, side) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Theme::clear);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(accent, 3);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(10, 4, 34, 24), 4, 4);
    p.drawRoundedRect(QRectF(6, 10, 34, 24), 4, 4);
    p.setBrush(accent);
    p.drawRoundedRect(QRectF(2, 16, 34, 24), 4, 4);
    p.setBrush(accent);
    p.drawEllipse(QPointF(44, 38), 5, 5);
    p.drawChord(QRectF(34, 44, 20, 16), 0, 180 * 16);
    return pixmap;
}

QPushButton* signInButton(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAccessibleName(text);
    button->setMinimumHeight(34);
    button->setMaximumWidth(260);
    button->setMinimumWidth(260);
    return button;
}

} // namespace

LoginView::LoginView(AuthService& auth, QWidget* parent) : QWidget(parent), auth_(auth)
{
    setObjectName(QStringLiteral("loginView"));
    setMinimumSize(420, 380);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("loginIcon"));
    icon->setAccessibleName(QStringLiteral("Vantry Capture"));
    icon->setPixmap(signInIcon(palette().color(QPalette::Highlight), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);

    auto* title = new QLabel(QStringLiteral("Vantry Capture"), this);
    title->setObjectName(QStringLiteral("loginTitle"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.7);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    auto* explanation =
        new QLabel(QStringLiteral("Sign in to import your scanned cards into your Vantry inventory."), this);
    explanation->setObjectName(QStringLiteral("loginExplanation"));
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignCenter);
    explanation->setFixedWidth(320);
    // An aligned item gets its plain size hint: give the wrapped text the height it needs.
    explanation->setMinimumHeight(explanation->heightForWidth(320));
    QPalette secondary = explanation->palette();
    secondary.setColor(QPalette::WindowText, palette().color(QPalette::PlaceholderText));
    explanation->setPalette(secondary);

    auto* google = signInButton(QStringLiteral("Continue with Google"), QStringLiteral("continueWithGoogle"), this);
    google->setDefault(true);
    const QColor accent = palette().color(QPalette::Highlight);
    google->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 6px; }"
                                         "QPushButton:pressed { background: %3; }")
                              .arg(accent.name(), palette().color(QPalette::HighlightedText).name(),
                                   accent.darker(120).name()));
    auto* email = signInButton(QStringLiteral("Continue with Email"), QStringLiteral("continueWithEmail"), this);
    connect(google, &QPushButton::clicked, this, [this] { auth_.signIn(AuthProvider::google); });
    connect(email, &QPushButton::clicked, this, [this] { auth_.signIn(AuthProvider::code); });

    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("loginError"));
    error_->setAccessibleName(QStringLiteral("Sign-in error"));
    error_->setWordWrap(true);
    error_->setAlignment(Qt::AlignCenter);
    error_->setFixedWidth(320);
    QFont caption = error_->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    error_->setFont(caption);
    QPalette red = error_->palette();
    red.setColor(QPalette::WindowText, Theme::errorText);
    error_->setPalette(red);

    addressPanel_ = new QWidget(this);
    addressPanel_->setObjectName(QStringLiteral("signInAddressPanel"));
    addressPanel_->setFixedWidth(400);
    addressExplanation_ = new QLabel(addressPanel_);
    addressExplanation_->setObjectName(QStringLiteral("signInAddressExplanation"));
    addressExplanation_->setWordWrap(true);
    addressExplanation_->setAlignment(Qt::AlignCenter);
    address_ = new QLineEdit(addressPanel_);
    address_->setObjectName(QStringLiteral("signInAddress"));
    address_->setAccessibleName(QStringLiteral("Sign-in address"));
    address_->setReadOnly(true);
    copy_ = new QPushButton(loginCopyLabel(false), addressPanel_);
    copy_->setObjectName(QStringLiteral("copySignInAddress"));
    copy_->setAccessibleName(QStringLiteral("Copy the sign-in address"));
    connect(copy_, &QPushButton::clicked, this, [this] {
        QGuiApplication::clipboard()->setText(address_->text());
        copy_->setText(loginCopyLabel(true));
    });
    auto* addressRow = new QHBoxLayout;
    addressRow->setContentsMargins(0, 0, 0, 0);
    addressRow->setSpacing(6);
    addressRow->addWidget(address_, 1);
    addressRow->addWidget(copy_);
    auto* addressColumn = new QVBoxLayout(addressPanel_);
    addressColumn->setContentsMargins(0, 0, 0, 0);
    addressColumn->setSpacing(8);
    addressColumn->addWidget(addressExplanation_);
    addressColumn->addLayout(addressRow);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(10);
    buttons->setContentsMargins(0, 8, 0, 0);
    buttons->addWidget(google, 0, Qt::AlignHCenter);
    buttons->addWidget(email, 0, Qt::AlignHCenter);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(40, 40, 40, 40);
    column->setSpacing(16);
    column->addStretch();
    column->addWidget(icon, 0, Qt::AlignHCenter);
    column->addWidget(title, 0, Qt::AlignHCenter);
    column->addWidget(explanation, 0, Qt::AlignHCenter);
    column->addLayout(buttons);
    column->addWidget(addressPanel_, 0, Qt::AlignHCenter);
    column->addWidget(error_, 0, Qt::AlignHCenter);
    column->addStretch();

    connect(&auth_, &AuthService::errorMessageChanged, this, &LoginView::showError);
    connect(&auth_, &AuthService::signInAddressChanged, this, &LoginView::showAddress);
    showError();
    showAddress();
}

void LoginView::showError()
{
    const std::optional<QString> line = loginErrorLine(auth_.errorMessage());
    error_->setText(line.value_or(QString()));
    error_->setMinimumHeight(line ? std::max(0, error_->heightForWidth(error_->width())) : 0);
    error_->setVisible(line.has_value());
}

void LoginView::showAddress()
{
    const std::optional<LoginAddressPanel> panel = loginAddressPanel(auth_.signInAddress());
    addressPanel_->setVisible(panel.has_value());
    if (!panel)
        return;
    addressExplanation_->setText(panel->explanation);
    addressExplanation_->setMinimumHeight(addressExplanation_->heightForWidth(addressPanel_->width()));
    address_->setText(panel->address);
    address_->setCursorPosition(0);
    address_->setToolTip(panel->address);
    copy_->setText(loginCopyLabel(false));
}

} // namespace vantry
