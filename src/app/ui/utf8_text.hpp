#pragma once
// The core's labels and messages are UTF-8 strings; the widgets want QString.

#include <QString>

#include <string_view>

namespace kestro {

inline QString utf8Text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace kestro
