#include "app/text/Utf8Text.h"

#include <QStringDecoder>

namespace quorvane::app {

QString Utf8Text::Decode(std::string_view utf8)
{
    // Only a leading U+FEFF sets the two apart; everything else decodes the
    // same, and QString::fromUtf8 needs no decoder set up for each text (the
    // list views decode seven texts a record).
    if (!utf8.starts_with("\xEF\xBB\xBF"))
        return QString::fromUtf8(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

} // namespace quorvane::app
