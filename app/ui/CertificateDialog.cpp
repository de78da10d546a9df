#include "app/ui/CertificateDialog.h"

#include "app/settings/TrustStore.h"
#include "app/text/Utf8Text.h"
#include "app/ui/Asker.h"
#include "app/ui/DesignFont.h"
#include "net/ftp/FtpErrors.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane::app {

namespace {

/// Wide enough for a fingerprint in two lines.
constexpr int kTextWidth = 440;

QLabel* Value(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

/// "host:port", an IPv6 address in brackets.
QString ServerName(const std::string& host, std::int32_t port)
{
    const QString name = Utf8Text::Decode(host);
    return (name.contains(QLatin1Char(':')) ? QLatin1Char('[') + name + QLatin1Char(']') : name) + QLatin1Char(':') +
           QString::number(port);
}

} // namespace

CertificateDialog::CertificateDialog(const CertificateQuestion& certificate, const std::string& host, std::int32_t port,
                                     TlsRequirement requirement, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CertificateDialog"));
    const QString server = ServerName(host, port);
    setWindowTitle(QStringLiteral("Certificate of %1").arg(server));
    DesignFont::apply(*this);
    auto* layout = new QVBoxLayout(this);
    // The dialog grows to its text, and never below a width at which the
    // fingerprint wraps into many short lines.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* intro =
        Value(QStringLiteral("The certificate of %1 is not trusted.").arg(server), QStringLiteral("Intro"), this);
    intro->setTextInteractionFlags(Qt::NoTextInteraction);
    intro->setMinimumWidth(kTextWidth);
    QFont bold = intro->font();
    bold.setBold(true);
    intro->setFont(bold);
    layout->addWidget(intro);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Reason:"), Value(certificate.reason, QStringLiteral("Reason"), this));
    form->addRow(QStringLiteral("Subject:"), Value(certificate.subject, QStringLiteral("Subject"), this));
    form->addRow(QStringLiteral("Issuer:"), Value(certificate.issuer, QStringLiteral("Issuer"), this));
    form->addRow(QStringLiteral("Valid from:"), Value(certificate.validFrom, QStringLiteral("ValidFrom"), this));
    form->addRow(QStringLiteral("Valid until:"), Value(certificate.validUntil, QStringLiteral("ValidUntil"), this));
    form->addRow(QStringLiteral("SHA-256 fingerprint:"),
                 Value(certificate.fingerprint, QStringLiteral("Fingerprint"), this));
    layout->addLayout(form);

    const bool required = requirement == TlsRequirement::Required;
    auto* answers = Value(required ? QStringLiteral("Trust This Certificate remembers it for this server. "
                                                    "Cancel ends the check.")
                                   : QStringLiteral("Trust This Certificate remembers it for this server. "
                                                    "Continue Without Verifying encrypts this check only, without "
                                                    "proving who the server is. Cancel ends the check."),
                          QStringLiteral("Answers"), this);
    answers->setTextInteractionFlags(Qt::NoTextInteraction);
    layout->addWidget(answers);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    trust_ = new QPushButton(QStringLiteral("&Trust This Certificate"), this);
    trust_->setObjectName(QStringLiteral("TrustButton"));
    buttons->addWidget(trust_);
    connect(trust_, &QPushButton::clicked, this, &QDialog::accept);
    if (!required) {
        withoutVerifying_ = new QPushButton(QStringLiteral("Continue &Without Verifying"), this);
        withoutVerifying_->setObjectName(QStringLiteral("WithoutVerifyingButton"));
        buttons->addWidget(withoutVerifying_);
        connect(withoutVerifying_, &QPushButton::clicked, this, [this] { done(WithoutVerifying); });
    }
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    // A stray Return trusts nothing.
    cancel_->setDefault(true);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    cancel_->setFocus();
}

TlsRequirement CertificateDialog::RequirementOf(const FtpServer& server)
{
    if (server.Security == ftp::FtpSecurity::RequireTls || TrustStore::Find(server.Host, server.Port).Any())
        return TlsRequirement::Required;
    return TlsRequirement::WhenOffered;
}

bool CertificateDialog::AskToTrust(const CertificateQuestion& certificate, const std::string& host, std::int32_t port,
                                   TlsRequirement requirement, QWidget* parent)
{
    CertificateDialog dialog(certificate, host, port, requirement, parent);
    const int answer = Asker::current().runModal(dialog);
    if (answer == WithoutVerifying && requirement == TlsRequirement::WhenOffered)
        return false;
    if (answer != QDialog::Accepted)
        throw net::TlsCertificateError(certificate.reason.toStdString(), certificate.fingerprint.toStdString());
    TrustStore::Pin(host, port, certificate.fingerprint.toStdString());
    return true;
}

} // namespace quorvane::app
