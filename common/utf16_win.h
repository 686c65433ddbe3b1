// UTF-8 <-> UTF-16 for the Win32 back-ends.
#pragma once

#include <windows.h>

#include <string>

namespace marlevanta {

inline std::wstring Ancho(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring r(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n);
    return r;
}

inline std::string Estrecho(const wchar_t* s, size_t largo) {
    if (largo == 0) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(largo), nullptr, 0, nullptr, nullptr);
    std::string r(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(largo), r.data(), n, nullptr, nullptr);
    return r;
}

inline std::string Estrecho(const std::wstring& s) {
    return Estrecho(s.data(), s.size());
}

}  // namespace marlevanta
