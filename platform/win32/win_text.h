// The core's text is UTF-8; Windows takes UTF-16 everywhere through its wide-character calls.
#pragma once

#include <string>
#include <string_view>

namespace xr::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace xr::win32
