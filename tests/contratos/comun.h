// What every contract test shares, on every platform: standard C++ and GoogleTest only.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

template <class T>
void PrintTo(const Resultado<T>& r, std::ostream* os) {
    if (!r.ok()) {
        *os << "Fallo: " << r.motivo();
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

namespace contrato {

// Paths are UTF-8 text in the interfaces; the file system of Windows wants UTF-16.
inline std::filesystem::path Ruta(const std::string& utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string Texto(const std::filesystem::path& ruta) {
    const std::u8string t = ruta.u8string();
    return std::string(reinterpret_cast<const char*>(t.data()), t.size());
}

inline std::string LeerArchivo(const std::string& ruta) {
    std::ifstream f(Ruta(ruta), std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The first line of a text file, without its line end.
inline std::string PrimeraLinea(const std::string& ruta) {
    std::string t = LeerArchivo(ruta);
    t = t.substr(0, t.find_first_of("\r\n"));
    return t;
}

// A new empty folder, removed with everything in it at the end of the test.
class CarpetaTemporal {
public:
    explicit CarpetaTemporal(const std::string& nombre = "marlevanta-contrato") {
        std::random_device azar;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            ruta_ = base / Ruta(nombre + "-" + std::to_string(azar()));
            if (std::filesystem::create_directory(ruta_)) break;
        }
    }
    ~CarpetaTemporal() {
        std::error_code ec;
        std::filesystem::remove_all(ruta_, ec);
    }
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    std::string ruta() const { return Texto(ruta_); }
    // `nombre` may hold "/": the platform's own separator takes its place.
    std::string En(const std::string& nombre) const {
        return Texto((ruta_ / Ruta(nombre)).make_preferred());
    }

private:
    std::filesystem::path ruta_;
};

// Typed test names say which back-end ran: "ContratoRegistro/Sqlite.Caso".
struct NombreBanco {
    template <class Banco>
    static std::string GetName(int) {
        return Banco::kNombre;
    }
};

// The arguments that the argument-recording child wrote: UTF-8, each ended by a NUL.
inline std::vector<std::string> ArgumentosGrabados(const std::string& archivo) {
    const std::string todo = LeerArchivo(archivo);
    std::vector<std::string> r;
    size_t inicio = 0;
    for (size_t i = 0; i < todo.size(); ++i) {
        if (todo[i] == '\0') {
            r.push_back(todo.substr(inicio, i - inicio));
            inicio = i + 1;
        }
    }
    return r;
}

// The variable that tells the argument-recording child where to write.
inline constexpr const char* kVariableSalidaHijo = "MARLEVANTA_PRUEBA_ARGUMENTOS";

}  // namespace contrato
