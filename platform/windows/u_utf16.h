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

// The system's own words for an error code, without the line break at its end.
inline std::string TextoError(DWORD codigo) {
    wchar_t* texto = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, codigo, 0, reinterpret_cast<LPWSTR>(&texto), 0, nullptr);
    std::string r = texto ? Estrecho(std::wstring(texto)) : "Error " + std::to_string(codigo);
    LocalFree(texto);
    while (!r.empty() && (r.back() == '\n' || r.back() == '\r' || r.back() == ' ')) r.pop_back();
    return r;
}

}  // namespace marlevanta
