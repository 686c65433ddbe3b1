// What the contracts find different on Linux, all in one place: where each back-end keeps its
// data and how a test reads or sets it there without going through the back-end, the SID form,
// the names of programs and of the home variable.
#pragma once

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "comun.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_archivoProgramaPosix.h"
#include "platform/linux/u_detallesNss.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/linux/u_reglaPerfil.h"
#include "platform/linux/u_reglasLinux.h"
#include "platform/u_sistema.h"

namespace contrato {

using namespace marlevanta;

// The files made for the tests; a copy elsewhere when run as another user (como_usuario.sh).
inline std::string Datos(const std::string& nombre) {
    const char* copia = std::getenv("MARLEVANTA_CONTRATO_DATOS");
    return std::string(copia ? copia : CONTRATO_DATOS) + "/" + nombre;
}

inline bool Orden(const std::string& orden) {
    return std::system(orden.c_str()) == 0;
}

inline std::string Citado(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

// An environment variable set for the life of the object.
class Variable {
public:
    Variable(const std::string& nombre, const std::string& valor) : nombre_(nombre) {
        if (const char* v = std::getenv(nombre.c_str())) anterior_ = v;
        setenv(nombre.c_str(), valor.c_str(), 1);
    }
    ~Variable() {
        if (anterior_) {
            setenv(nombre_.c_str(), anterior_->c_str(), 1);
        } else {
            unsetenv(nombre_.c_str());
        }
    }
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

private:
    std::string nombre_;
    std::optional<std::string> anterior_;
};

inline void PrepararPlataforma() {}

// ---------------------------------------------------------------------------------------------
// Settings store: one SQLite database, keys and values in two tables; names folded.

enum class TipoValor { Falta, Texto, TextoExpandible, Otro };

class BancoRegistroSqlite {
public:
    static constexpr const char* kNombre = "Sqlite";

    std::unique_ptr<RegistroUsuario> Crear() { return CrearRegistroSqlite(archivo_); }
    std::string UbicacionEsperada() const { return archivo_; }

    TipoValor Tipo(const std::string& ruta, const std::string& nombre) {
        int tipo = 0;
        if (!Consultar("SELECT tipo FROM valores WHERE clave = ?1 AND nombre_plegado = ?2",
                       Plegada(ruta), Minusculas(nombre), &tipo)) {
            return TipoValor::Falta;
        }
        return tipo == 1   ? TipoValor::Texto
               : tipo == 2 ? TipoValor::TextoExpandible
                           : TipoValor::Otro;
    }

    bool ExisteClave(const std::string& ruta) {
        return Consultar("SELECT 1 FROM claves WHERE ruta_plegada = ?1", Plegada(ruta), "",
                         nullptr);
    }

    // REG_DWORD and REG_EXPAND_SZ, as another program may leave them; the key must exist.
    bool GuardarNumero(const std::string& ruta, const std::string& nombre, std::uint32_t n) {
        return Guardar(ruta, nombre, 4, std::string(reinterpret_cast<const char*>(&n), 4));
    }
    bool GuardarExpandible(const std::string& ruta, const std::string& nombre,
                           const std::string& texto) {
        return Guardar(ruta, nombre, 2, texto);
    }

private:
    // The tests use ASCII names only where they reach the database directly.
    static std::string Minusculas(std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    static std::string Plegada(const std::string& ruta) {
        std::string r;
        for (char c : Minusculas(ruta)) {
            if (c == '\\' && (r.empty() || r.back() == '\\')) continue;
            r += c;
        }
        while (!r.empty() && r.back() == '\\') r.pop_back();
        return r;
    }

    bool Consultar(const char* sql, const std::string& a, const std::string& b, int* entero) {
        sqlite3* db = nullptr;
        bool fila = false;
        if (sqlite3_open_v2(archivo_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
                sqlite3_bind_text(st, 1, a.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 2, b.c_str(), -1, SQLITE_TRANSIENT);
                fila = sqlite3_step(st) == SQLITE_ROW;
                if (fila && entero) *entero = sqlite3_column_int(st, 0);
            }
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return fila;
    }

    bool Guardar(const std::string& ruta, const std::string& nombre, int tipo,
                 const std::string& datos) {
        sqlite3* db = nullptr;
        bool ok =
            sqlite3_open_v2(archivo_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
        sqlite3_stmt* st = nullptr;
        ok = ok && sqlite3_prepare_v2(db,
                                      "INSERT OR REPLACE INTO valores(clave, nombre_plegado, "
                                      "nombre, tipo, datos) VALUES(?1, ?2, ?3, ?4, ?5)",
                                      -1, &st, nullptr) == SQLITE_OK;
        if (ok) {
            sqlite3_bind_text(st, 1, Plegada(ruta).c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, Minusculas(nombre).c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, nombre.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 4, tipo);
            sqlite3_bind_blob(st, 5, datos.data(), static_cast<int>(datos.size()),
                              SQLITE_TRANSIENT);
            ok = sqlite3_step(st) == SQLITE_DONE;
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return ok;
    }

    CarpetaTemporal carpeta_;
    std::string archivo_ = carpeta_.En("registry.db");
};

using BancosRegistro = testing::Types<BancoRegistroSqlite>;

// ---------------------------------------------------------------------------------------------
// Certificate store: an NSS database of the user's own.

class BancoCertificadosNss {
public:
    static constexpr const char* kNombre = "Nss";

    BancoCertificadosNss() {
        creada_ = Orden("certutil -N -d sql:" + Citado(db_) + " --empty-password");
    }

    std::unique_ptr<AlmacenCertificados> Crear() { return CrearAlmacenNss(db_); }

    // A PKCS#12 with its key, as the user imports one.
    bool Importar(const std::string& p12) {
        return creada_ && Orden("pk12util -i " + Citado(Datos(p12)) + " -d sql:" + Citado(db_) +
                                " -W clave-prueba >/dev/null");
    }
    // A certificate without its key (an issuer): not one of the user's certificates.
    bool ImportarSinClave(const std::string& der) {
        return creada_ && Orden("certutil -A -d sql:" + Citado(db_) + " -n emisor -t ,, -i " +
                                Citado(Datos(der)));
    }

private:
    CarpetaTemporal carpeta_;
    std::string db_ = carpeta_.ruta();
    bool creada_ = false;
};

using BancosCertificados = testing::Types<BancoCertificadosNss>;

// The import into a database of the test's own that does not exist yet: the first import
// makes it, as for a new user.
class BancoImportadorNss {
public:
    static constexpr const char* kNombre = "Nss";

    std::unique_ptr<ImportadorCertificados> Crear() { return CrearImportadorNss(db_); }
    std::unique_ptr<AlmacenCertificados> Almacen() { return CrearAlmacenNss(db_); }
    Resultado<DetallesCertificado> Detalles(const std::string& huella) {
        return LeerDetallesNss(db_, huella);
    }

private:
    CarpetaTemporal carpeta_;
    std::string db_ = carpeta_.ruta() + "/.pki/nssdb";
};

using BancosImportador = testing::Types<BancoImportadorNss>;

// ---------------------------------------------------------------------------------------------
// Browser policies: managed-policy files below a root of the test's own.

// The strings of the JSON array `"<miembro>": [...]` in `json`; none when it is not there.
inline std::vector<std::string> CadenasDeLista(const std::string& json,
                                               const std::string& miembro) {
    std::vector<std::string> r;
    size_t i = json.find("\"" + miembro + "\"");
    if (i == std::string::npos) return r;
    i = json.find('[', i);
    while (i != std::string::npos && i < json.size()) {
        i = json.find_first_of("\"]", i + 1);
        if (i == std::string::npos || json[i] == ']') break;
        std::string s;
        for (++i; i < json.size() && json[i] != '"'; ++i) {
            if (json[i] != '\\') {
                s += json[i];
                continue;
            }
            const char c = json[++i];
            const size_t corto = std::string("btnfr").find(c);
            if (c == 'u') {
                // Only what the policy text may hold: control characters.
                s += static_cast<char>(std::stoi(json.substr(i + 1, 4), nullptr, 16));
                i += 4;
            } else {
                s += corto == std::string::npos ? c : "\b\t\n\f\r"[corto];
            }
        }
        r.push_back(s);
    }
    return r;
}

// Where the browser finds a rule: each .json file of each managed-policy folder of its own, and
// the profile's Preferences. Each run has a home, policy root and lock folder of its own.
class BancoPoliticasLinux {
public:
    static constexpr const char* kNombre = "Linux";

    BancoPoliticasLinux() {
        std::filesystem::create_directories(carpeta_.En("cerrojos"));
        chmod(carpeta_.En("cerrojos").c_str(), 0700);
    }

    std::unique_ptr<AlmacenPoliticas> Crear() { return CrearReglasLinux(raiz_); }

    // Managed policy: each entry of AutoSelectCertificateForUrls as written. Profile: each filter
    // of the setting, written back as the program writes one.
    std::vector<std::string> Leer(Navegador navegador, LugarRegla lugar) {
        std::vector<std::string> r;
        if (lugar == LugarRegla::Perfil) {
            const QJsonObject excepciones =
                QJsonDocument::fromJson(
                    QByteArray::fromStdString(LeerArchivo(Preferencias(navegador))))
                    .object()["profile"]
                    .toObject()["content_settings"]
                    .toObject()["exceptions"]
                    .toObject()["auto_select_certificate"]
                    .toObject();
            for (const auto& regla : excepciones) {
                for (const auto& f : regla.toObject()["setting"].toObject()["filters"].toArray()) {
                    const QJsonObject filtro = f.toObject();
                    r.push_back(
                        TextoFiltro({filtro["SUBJECT"].toObject()["CN"].toString().toStdString(),
                                     filtro["ISSUER"].toObject()["CN"].toString().toStdString()}));
                }
            }
            return r;
        }
        for (const auto& carpeta : CarpetasPoliticas(navegador, raiz_)) {
            std::error_code ec;
            for (const auto& e : std::filesystem::directory_iterator(carpeta, ec)) {
                if (e.path().extension() != ".json") continue;
                for (auto& t : CadenasDeLista(LeerArchivo(e.path().string()),
                                              "AutoSelectCertificateForUrls")) {
                    r.push_back(t);
                }
            }
        }
        return r;
    }

    // Managed policy: the browser's last folder cannot be made, a file stands in its place.
    // Profile: a browser on another machine that shares this home holds it.
    bool Bloquear(Navegador navegador, LugarRegla lugar) {
        if (lugar == LugarRegla::Perfil) {
            const std::string perfil = CarpetaPerfil(navegador);
            std::filesystem::create_directories(perfil);
            return symlink("otro-equipo.example-4242", (perfil + "/SingletonLock").c_str()) == 0;
        }
        const auto carpeta = std::filesystem::path(CarpetasPoliticas(navegador, raiz_).back());
        std::filesystem::create_directories(carpeta.parent_path());
        return std::ofstream(carpeta).good();
    }

private:
    std::string Preferencias(Navegador navegador) const {
        return CarpetaPerfil(navegador) + "/Default/Preferences";
    }

    CarpetaTemporal carpeta_;
    std::string raiz_ = carpeta_.En("raiz");
    Variable home_{"HOME", carpeta_.En("home")};
    Variable cerrojos_{"XDG_RUNTIME_DIR", carpeta_.En("cerrojos")};
};

using BancosPoliticas = testing::Types<BancoPoliticasLinux>;

// ---------------------------------------------------------------------------------------------
// The permission grant does not exist here: Chrome, Chromium and Edge obey every file of their
// managed-policy folders for every user, so no user is given one. SIDs are "S-1-22-1-" + uid,
// the form Samba gives Unix users.

class BancoPermisosLinux {
public:
    static constexpr const char* kNombre = "Linux";

    std::string SidPropio() const { return "S-1-22-1-" + std::to_string(getuid()); }
    std::string PrefijoSid() const { return "S-1-22-1-"; }
    const char* SinConcesion() const {
        return "no user is given a managed policy: only the administrator writes it";
    }
    // Never reached: every case that needs them is skipped above.
    std::string SidDeNadie() const { return {}; }
    std::string FalloSidDeNadie() const { return {}; }
    std::vector<std::string> Entradas() const { return {}; }
    bool Concedido(const std::string&) const { return false; }
    testing::AssertionResult HeredadoPorNuevo(const std::string&) const {
        return testing::AssertionFailure();
    }
    const char* HerenciaNoComprobable() const { return nullptr; }
    const char* RepeticionNoComprobable() const { return nullptr; }
};

using BancosPermisos = testing::Types<BancoPermisosLinux>;

// ---------------------------------------------------------------------------------------------
// Starting programs.

class BancoProcesosPosix {
public:
    static constexpr const char* kNombre = "Posix";

    std::shared_ptr<IniciadorProcesos> Crear() { return CrearIniciadorProcesos(); }

    // The argument-recording child, as built.
    std::string Hijo() const { return CONTRATO_HIJO; }
    // Its file name once copied as `nombre`.
    std::string NombreArchivo(const std::string& nombre) const { return nombre; }
    bool Copiar(const std::string& desde, const std::string& hasta) const {
        std::error_code ec;
        std::filesystem::create_directories(Ruta(hasta).parent_path(), ec);
        return std::filesystem::copy_file(Ruta(desde), Ruta(hasta), ec) && !ec;
    }
    // `carpeta` first on PATH for the life of the returned object.
    std::unique_ptr<Variable> PrimeroEnPath(const std::string& carpeta) const {
        const char* path = std::getenv("PATH");
        return std::make_unique<Variable>("PATH", carpeta + ":" + (path ? path : ""));
    }
    std::unique_ptr<Variable> Poner(const std::string& nombre, const std::string& valor) const {
        return std::make_unique<Variable>(nombre, valor);
    }
};

using BancosProcesos = testing::Types<BancoProcesosPosix>;

// ---------------------------------------------------------------------------------------------
// The program's own file. Executables here carry no version record: the version is the build's.

class BancoArchivoPosix {
public:
    static constexpr const char* kNombre = "Posix";

    std::unique_ptr<ArchivoPrograma> DelPrograma() { return CrearArchivoPrograma(); }
    std::string RutaDelPrograma() const {
        return std::filesystem::read_symlink("/proc/self/exe").string();
    }
    // Any file but the program: it has no version record.
    std::unique_ptr<ArchivoPrograma> De(const std::string& ruta) {
        return CrearArchivoPrograma(ruta, std::nullopt);
    }
    // A file with no version record.
    std::string ArchivoSinVersion() const { return CONTRATO_HIJO; }
    bool PonerFecha(const std::string& ruta, std::chrono::system_clock::time_point t) const {
        const auto s = std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch());
        const timespec tiempos[2] = {{s.count(), 0}, {s.count(), 0}};
        return utimensat(AT_FDCWD, ruta.c_str(), tiempos, 0) == 0;
    }
};

using BancosArchivo = testing::Types<BancoArchivoPosix>;

// ---------------------------------------------------------------------------------------------
// Starting a browser: found on PATH, its profile folder below $HOME.

struct Navegadores {
    static constexpr const char* kVariableCasa = "HOME";
    static constexpr const char* kCasa = "/home/Ana María de la O";
    // The first name looked for, so that an installed browser is never reached.
    static std::string Programa(Navegador n) {
        return n == Navegador::Edge ? "microsoft-edge-stable" : "google-chrome-stable";
    }
};

}  // namespace contrato
