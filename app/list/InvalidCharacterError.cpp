#include "app/list/InvalidCharacterError.h"

namespace quorvane::app {

namespace {

// A caption is quoted in a message; characters that cannot be shown are
// replaced so the message itself stays printable.
QString Printable(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text)
        result.append(c.unicode() < 0x20 ? QChar(0xFFFD) : c);
    return result;
}

} // namespace

InvalidCharacterError::InvalidCharacterError(const QString& gameName, const QString& fieldName, char32_t character)
    : ListError(QStringLiteral("Cannot save \"%1\": its %2 field holds the character U+%3, "
                               "which a list file cannot carry")
                    .arg(Printable(gameName), fieldName,
                         QStringLiteral("%1").arg(static_cast<uint>(character), 4, 16, QChar('0')).toUpper())
                    .toStdString())
{}

} // namespace quorvane::app
