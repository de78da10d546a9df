#include "app/list/Utf8Text.h"

#include <QStringDecoder>

namespace quorvane::app {

QString Utf8Text::Decode(std::string_view utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

} // namespace quorvane::app
