#pragma once
// The widgets show the Qt-free content's texts, which are UTF-8 std::strings.

#include <QString>
#include <string_view>

namespace quenlix {

inline QString Q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quenlix
