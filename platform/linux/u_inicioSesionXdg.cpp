#include "platform/linux/u_inicioSesionXdg.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/linux/u_archivoAtomico.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/u_sistema.h"

namespace fs = std::filesystem;

namespace marlevanta {

namespace {

constexpr const char* kArchivo = "es.velquorin.marlevanta-avisos.desktop";

class InicioSesionXdg : public InicioSesion {
public:
    explicit InicioSesionXdg(std::string carpeta)
        : carpeta_(carpeta.empty() ? CarpetaConfiguracionXdg() + "/autostart"
                                   : std::move(carpeta)) {}

    bool Puesto() override {
        std::error_code ec;
        return fs::is_regular_file(Ruta(), ec);
    }

    Hecho Poner(const std::string& programa) override {
        std::error_code ec;
        fs::create_directories(carpeta_, ec);
        if (ec) {
            return Falla("No se puede crear la carpeta \"" + carpeta_ + "\": " + ec.message() +
                         ".");
        }
        const std::string entrada =
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Marlevanta: avisos de caducidad\n"
            "Comment=Avisa de los certificados que caducan pronto\n"
            "Exec=" +
            ArgumentoExec(programa) +
            " --avisar-caducidad\n"
            "Icon=es.velquorin.marlevanta\n"
            "NoDisplay=true\n"
            "Terminal=false\n";
        if (auto h = EscribirArchivoAtomico(Ruta(), entrada, ".marlevanta-avisos", 0644); !h) {
            return Falla("No se puede escribir \"" + Ruta() + "\": " + h.motivo() + ".");
        }
        return {};
    }

    Hecho Quitar() override {
        std::error_code ec;
        fs::remove(Ruta(), ec);
        if (ec) return Falla("No se puede borrar \"" + Ruta() + "\": " + ec.message() + ".");
        return {};
    }

private:
    std::string Ruta() const { return carpeta_ + "/" + kArchivo; }
    std::string carpeta_;
};

}  // namespace

std::string ArgumentoExec(const std::string& ruta) {
    // Quoted as the Exec key wants ('"', '`', '$' and '\' escaped inside the quotes, '%' doubled),
    // then every backslash doubled again, as in any string value of the file.
    std::string citado = "\"";
    for (const char c : ruta) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') citado += '\\';
        if (c == '%') citado += '%';
        citado += c;
    }
    citado += '"';
    std::string r;
    for (const char c : citado) {
        if (c == '\\') r += '\\';
        r += c;
    }
    return r;
}

std::unique_ptr<InicioSesion> CrearInicioSesionXdg(const std::string& carpeta) {
    return std::make_unique<InicioSesionXdg>(carpeta);
}

}  // namespace marlevanta

namespace marlevanta {

std::unique_ptr<InicioSesion> CrearInicioSesion() {
    return CrearInicioSesionXdg();
}

}  // namespace marlevanta
