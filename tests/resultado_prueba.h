// How the tests compare and print the program's results.
#pragma once

#include <QString>
#include <ostream>
#include <string>
#include <string_view>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

template <class T>
bool operator==(const Resultado<T>& r, const T& v) {
    return r.ok() && *r == v;
}
// Compared as plain views: a comparison of the strings themselves could convert back into a
// Resultado and call these again.
inline bool operator==(const Resultado<std::string>& r, std::string_view v) {
    return r.ok() && std::string_view(*r) == v;
}
inline bool operator==(const Resultado<std::string>& r, const char* v) {
    return r.ok() && std::string_view(*r) == std::string_view(v);
}
inline bool operator==(const Resultado<QString>& r, const char* v) {
    return r.ok() && *r == QString::fromUtf8(v);
}

template <class T>
void PrintTo(const Resultado<T>& r, std::ostream* os) {
    if (!r.ok()) {
        *os << "Fallo: " << r.motivo();
    } else if constexpr (std::is_same_v<T, QString>) {
        *os << '"' << r->toStdString() << '"';
    } else if constexpr (std::is_same_v<T, std::string>) {
        *os << '"' << *r << '"';
    } else {
        *os << "ok";
    }
}
inline void PrintTo(const Hecho& r, std::ostream* os) {
    *os << (r.ok() ? std::string("ok") : "Fallo: " + r.motivo());
}

}  // namespace marlevanta
