#include "app/ui/CertificateDialog.h"

#include "app/settings/TrustStore.h"
#include "app/ui/Asker.h"
#include "app/ui/DesignFont.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane::app {

namespace {

QLabel* Value(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

CertificateDialog::CertificateDialog(const CertificateQuestion& certificate, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CertificateDialog"));
    setWindowTitle(QStringLiteral("Server Certificate"));
    DesignFont::apply(*this);
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(QStringLiteral("The server's certificate is not trusted (%1).").arg(certificate.reason), this);
    intro->setObjectName(QStringLiteral("Reason"));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Subject:"), Value(certificate.subject, QStringLiteral("Subject"), this));
    form->addRow(QStringLiteral("Issuer:"), Value(certificate.issuer, QStringLiteral("Issuer"), this));
    form->addRow(QStringLiteral("Valid from:"), Value(certificate.validFrom, QStringLiteral("ValidFrom"), this));
    form->addRow(QStringLiteral("Valid until:"), Value(certificate.validUntil, QStringLiteral("ValidUntil"), this));
    form->addRow(QStringLiteral("SHA-256 fingerprint:"),
                 Value(certificate.fingerprint, QStringLiteral("Fingerprint"), this));
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    trust_ = new QPushButton(QStringLiteral("Trust This Certificate"), this);
    trust_->setObjectName(QStringLiteral("TrustButton"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    cancel_->setDefault(true);
    buttons->addWidget(trust_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(trust_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool CertificateDialog::AskToTrust(const CertificateQuestion& certificate, const std::string& host, std::int32_t port,
                                   QWidget* parent)
{
    CertificateDialog dialog(certificate, parent);
    if (Asker::current().runModal(dialog) != QDialog::Accepted)
        return false;
    TrustStore::Pin(host, port, certificate.fingerprint.toStdString());
    return true;
}

} // namespace quorvane::app
