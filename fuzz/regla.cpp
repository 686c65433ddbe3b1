// The browser rule, as the managed policy's text and in the profile's Preferences file, for any
// certificate names and any Preferences file found on disk: what is written parses back and
// selects exactly the one certificate named, and the rest of the file is kept.
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/plataforma/u_almacenPoliticas.h"
#include "platform/linux/u_reglaPerfil.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

void Exigir(bool condicion) {
    if (!condicion) __builtin_trap();
}

// {"CN": nombre} and nothing else.
void SoloElNombre(const QJsonValue& v, const std::string& nombre) {
    Exigir(v.isObject());
    const QJsonObject o = v.toObject();
    Exigir(o.size() == 1 && o.value(QLatin1String("CN")).isString());
    Exigir(o.value(QLatin1String("CN")).toString().toStdString() == nombre);
}

void FiltroDeUnCertificado(const QJsonValue& v, const ReglaCertificado& regla) {
    Exigir(v.isObject());
    const QJsonObject filtro = v.toObject();
    Exigir(filtro.size() == 2);
    SoloElNombre(filtro.value(QLatin1String("SUBJECT")), regla.sujeto);
    SoloElNombre(filtro.value(QLatin1String("ISSUER")), regla.emisor);
}

const std::string& Carpeta() {
    static const std::string carpeta = [] {
        std::string plantilla = (fs::temp_directory_path() / "fuzz-regla-XXXXXX").string();
        if (!mkdtemp(plantilla.data())) std::abort();
        return plantilla;
    }();
    return carpeta;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
    // Parts separated by 0xFF, a byte UTF-8 never holds: [Preferences 0xFF] subject 0xFF issuer.
    std::vector<std::string> partes(1);
    for (std::size_t i = 0; i < n; ++i) {
        if (datos[i] == 0xFF) {
            partes.emplace_back();
        } else {
            partes.back() += static_cast<char>(datos[i]);
        }
    }
    const bool conArchivo = partes.size() >= 3;
    const std::string preferencias = conArchivo ? partes[0] : std::string();
    const ReglaCertificado regla{partes[conArchivo ? 1 : 0], partes.size() > (conArchivo ? 2u : 1u)
                                                                 ? partes[conArchivo ? 2 : 1]
                                                                 : std::string()};
    const bool valido = Utf8Valido(regla.sujeto) && Utf8Valido(regla.emisor);

    // The managed policy's text. Names that are not UTF-8 never reach it: the browser session
    // refuses them first (a JSON text cannot hold them).
    if (valido) {
        const QJsonDocument politica =
            QJsonDocument::fromJson(QByteArray::fromStdString(TextoPolitica(regla)));
        Exigir(politica.isObject());
        const QJsonObject p = politica.object();
        Exigir(p.size() == 2 && p.value(QLatin1String("pattern")).toString() == "https://*");
        FiltroDeUnCertificado(p.value(QLatin1String("filter")), regla);
    }

    // The profile's Preferences file.
    const fs::path archivo = fs::path(Carpeta()) / "Default" / "Preferences";
    std::error_code ec;
    fs::remove_all(fs::path(Carpeta()) / "Default", ec);
    if (conArchivo) {
        fs::create_directories(archivo.parent_path());
        std::ofstream(archivo, std::ios::binary) << preferencias;
    }
    const QJsonDocument antes = QJsonDocument::fromJson(QByteArray::fromStdString(preferencias));
    const Hecho escrita = EscribirReglaPerfil(Carpeta(), regla);
    if (!escrita) {
        Exigir(!escrita.motivo().empty());
        // Refused: the file is left exactly as it was.
        if (conArchivo) {
            std::ifstream f(archivo, std::ios::binary);
            Exigir(std::string(std::istreambuf_iterator<char>(f), {}) == preferencias);
        }
        return 0;
    }
    Exigir(valido);
    QFile f(QString::fromStdString(archivo.string()));
    Exigir(f.open(QIODevice::ReadOnly));
    const QJsonDocument despues = QJsonDocument::fromJson(f.readAll());
    Exigir(despues.isObject());
    QJsonValue v = despues.object();
    for (const char* nivel :
         {"profile", "content_settings", "exceptions", "auto_select_certificate"}) {
        v = v.toObject().value(QLatin1String(nivel));
        Exigir(v.isObject());
    }
    const QJsonValue r = v.toObject().value(QLatin1String("https://*,*"));
    const QJsonArray filtros = r.toObject()
                                   .value(QLatin1String("setting"))
                                   .toObject()
                                   .value(QLatin1String("filters"))
                                   .toArray();
    Exigir(filtros.size() == 1);
    FiltroDeUnCertificado(filtros.at(0), regla);
    // Everything else in the file is kept.
    if (antes.isObject()) {
        const QJsonObject o = antes.object();
        for (auto it = o.begin(); it != o.end(); ++it) {
            if (it.key() != QLatin1String("profile")) {
                Exigir(despues.object().value(it.key()) == it.value());
            }
        }
    }
    const auto quitada = QuitarReglaPerfil(Carpeta());
    Exigir(quitada && *quitada);
    return 0;
}
