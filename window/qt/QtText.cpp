#include "window/qt/QtText.h"

namespace window {

QString DisplayName(const std::string& name) {
    return QString::fromUtf8(name).replace(QLatin1Char('\n'), QChar(0x2424));
}

} // namespace window
