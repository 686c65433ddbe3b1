#include "platform/linux/u_registroSqlite.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

namespace marlevanta {

namespace {

constexpr int kRegSz = 1;
constexpr int kRegExpandSz = 2;

std::string Plegar(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()))
        .toCaseFolded()
        .toStdString();
}

// "\Software\Velquorin\marlevanta" and "Software\\Velquorin\marlevanta\" name the same key.
std::vector<std::string> Segmentos(const std::string& ruta) {
    std::vector<std::string> partes;
    std::string actual;
    for (char c : ruta) {
        if (c == '\\' || c == '/') {
            if (!actual.empty()) partes.push_back(actual);
            actual.clear();
        } else {
            actual += c;
        }
    }
    if (!actual.empty()) partes.push_back(actual);
    return partes;
}

std::string Unir(const std::vector<std::string>& partes, size_t cuantas) {
    std::string r;
    for (size_t i = 0; i < cuantas; ++i) {
        if (i) r += '\\';
        r += partes[i];
    }
    return r;
}

// Prepared statements live as long as the connection; each use resets its own.
class Sentencias {
public:
    ~Sentencias() { Finalizar(); }
    void Finalizar() {
        for (auto& [sql, st] : cache_) sqlite3_finalize(st);
        cache_.clear();
    }
    sqlite3_stmt* Obtener(sqlite3* db, const char* sql) {
        auto it = cache_.find(sql);
        if (it != cache_.end()) return it->second;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK) {
            return nullptr;
        }
        cache_.emplace(sql, st);
        return st;
    }

private:
    std::map<const void*, sqlite3_stmt*> cache_;
};

class Sentencia {
public:
    Sentencia(sqlite3* db, Sentencias& cache, const char* sql) : st_(cache.Obtener(db, sql)) {}
    ~Sentencia() {
        if (st_) {
            sqlite3_reset(st_);
            sqlite3_clear_bindings(st_);
        }
    }
    Sentencia(const Sentencia&) = delete;
    Sentencia& operator=(const Sentencia&) = delete;
    void Texto(int i, const std::string& s) {
        sqlite3_bind_text(st_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
    int Paso() { return st_ ? sqlite3_step(st_) : SQLITE_ERROR; }
    void Reiniciar() {
        if (st_) sqlite3_reset(st_);
    }
    sqlite3_stmt* get() const { return st_; }

private:
    sqlite3_stmt* st_;
};

// The reason of a failed SQLite call, in words the user can act on.
std::string Motivo(sqlite3* db, int codigo) {
    switch (codigo & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "otro programa lo tiene bloqueado";
        case SQLITE_READONLY:
            return "es de solo lectura";
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return "está dañado (no es una base de datos válida)";
        case SQLITE_CANTOPEN:
            return "no se puede abrir";
        case SQLITE_FULL:
            return "el disco está lleno";
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return "no hay permiso para usarlo";
        default:
            break;
    }
    return std::string("error de SQLite: ") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(codigo));
}

class ClaveSqlite : public ClaveRegistro {
public:
    ClaveSqlite(sqlite3* db, Sentencias& cache, std::string clave, bool transaccion)
        : db_(db), cache_(cache), clave_(std::move(clave)), transaccion_(transaccion) {}
    ~ClaveSqlite() override {
        if (transaccion_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    bool ExisteValor(const std::string& nombre) override {
        Sentencia st(db_, cache_, "SELECT 1 FROM valores WHERE clave = ?1 AND nombre_plegado = ?2");
        st.Texto(1, clave_);
        st.Texto(2, Plegar(nombre));
        return st.Paso() == SQLITE_ROW;
    }

    Resultado<std::string> LeerTexto(const std::string& nombre) override {
        Sentencia st(db_, cache_,
                     "SELECT tipo, datos FROM valores WHERE clave = ?1 AND nombre_plegado = ?2");
        st.Texto(1, clave_);
        st.Texto(2, Plegar(nombre));
        const int paso = st.Paso();
        if (paso == SQLITE_DONE) return std::string();
        if (paso != SQLITE_ROW) return Falla(Motivo(db_, paso));
        const int tipo = sqlite3_column_int(st.get(), 0);
        if (tipo != kRegSz && tipo != kRegExpandSz) return Falla(TextoErrorTipo(nombre));
        return Texto(st.get(), 1);
    }

    Resultado<std::map<std::string, std::string>> LeerTextos() override {
        Sentencia st(db_, cache_, "SELECT nombre, tipo, datos FROM valores WHERE clave = ?1");
        st.Texto(1, clave_);
        std::map<std::string, std::string> valores;
        int paso = SQLITE_ROW;
        while ((paso = st.Paso()) == SQLITE_ROW) {
            const int tipo = sqlite3_column_int(st.get(), 1);
            if (tipo != kRegSz && tipo != kRegExpandSz) continue;
            const auto* nombre = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
            valores[MayusculasAscii(nombre ? nombre : "")] = Texto(st.get(), 2);
        }
        if (paso != SQLITE_DONE) return Falla(Motivo(db_, paso));
        return valores;
    }

    Hecho EscribirTexto(const std::string& nombre, const std::string& valor) override {
        Sentencia st(db_, cache_,
                     "INSERT INTO valores(clave, nombre_plegado, nombre, tipo, datos) "
                     "VALUES(?1, ?2, ?3, 1, ?4) ON CONFLICT(clave, nombre_plegado) DO UPDATE "
                     "SET tipo = 1, datos = excluded.datos");
        st.Texto(1, clave_);
        st.Texto(2, Plegar(nombre));
        st.Texto(3, nombre);
        st.Texto(4, valor);
        if (!transaccion_) return Falla(TextoErrorEscritura(nombre));
        const int paso = st.Paso();
        if (paso != SQLITE_DONE)
            return Falla(TextoErrorEscritura(nombre) + ": " + Motivo(db_, paso));
        return {};
    }

    Hecho Cerrar() override {
        if (!transaccion_) return {};
        transaccion_ = false;
        const int r = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (r == SQLITE_OK) return {};
        const std::string motivo = Motivo(db_, r);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return Falla(motivo);
    }

private:
    // Like a registry string, the text ends at its first null character.
    static std::string Texto(sqlite3_stmt* st, int columna) {
        const auto* datos = static_cast<const char*>(sqlite3_column_blob(st, columna));
        const int largo = sqlite3_column_bytes(st, columna);
        std::string texto(datos ? datos : "", datos ? static_cast<size_t>(largo) : 0);
        if (auto fin = texto.find('\0'); fin != std::string::npos) texto.resize(fin);
        return texto;
    }

    sqlite3* db_;
    Sentencias& cache_;
    std::string clave_;  // folded path
    bool transaccion_;
};

class RegistroSqlite : public RegistroUsuario {
public:
    RegistroSqlite(std::string archivo, std::chrono::milliseconds espera)
        : archivo_(std::move(archivo)), espera_(espera) {}
    ~RegistroSqlite() override {
        cache_.Finalizar();
        sqlite3_close(db_);
    }

    std::string Ubicacion() const override { return archivo_; }

    Resultado<std::unique_ptr<ClaveRegistro>> AbrirEscritura(const std::string& ruta) override {
        if (auto c = Conectar(true); !c) return Fallo{c.motivo()};
        if (sqlite3_db_readonly(db_, "main") != 0) return Falla(Motivo(db_, SQLITE_READONLY));
        if (const int r = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            r != SQLITE_OK) {
            return Falla(Motivo(db_, r));
        }
        const auto partes = Segmentos(ruta);
        Sentencia st(db_, cache_,
                     "INSERT OR IGNORE INTO claves(ruta_plegada, ruta) VALUES(?1, ?2)");
        for (size_t n = 1; n <= partes.size(); ++n) {
            const std::string camino = Unir(partes, n);
            st.Reiniciar();
            st.Texto(1, Plegar(camino));
            st.Texto(2, camino);
            if (const int paso = st.Paso(); paso != SQLITE_DONE) {
                const std::string motivo = Motivo(db_, paso);
                sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
                return Falla(motivo);
            }
        }
        return std::unique_ptr<ClaveRegistro>(
            std::make_unique<ClaveSqlite>(db_, cache_, Plegar(Unir(partes, partes.size())), true));
    }

    Resultado<std::unique_ptr<ClaveRegistro>> AbrirLectura(const std::string& ruta) override {
        if (auto c = Conectar(false); !c) return Fallo{c.motivo()};
        if (!db_) return std::unique_ptr<ClaveRegistro>();
        const auto partes = Segmentos(ruta);
        const std::string clave = Plegar(Unir(partes, partes.size()));
        Sentencia st(db_, cache_, "SELECT 1 FROM claves WHERE ruta_plegada = ?1");
        st.Texto(1, clave);
        const int paso = st.Paso();
        if (paso == SQLITE_DONE) return std::unique_ptr<ClaveRegistro>();
        if (paso != SQLITE_ROW) return Falla(Motivo(db_, paso));
        return std::unique_ptr<ClaveRegistro>(
            std::make_unique<ClaveSqlite>(db_, cache_, clave, false));
    }

    Resultado<bool> BorrarArbol(const std::string& ruta) override {
        if (auto c = Conectar(false); !c) return Fallo{c.motivo()};
        if (!db_) return false;
        const auto partes = Segmentos(ruta);
        const std::string clave = Plegar(Unir(partes, partes.size()));
        if (const int r = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            r != SQLITE_OK) {
            return Falla(Motivo(db_, r));
        }
        const char* sql[] = {
            "DELETE FROM valores WHERE clave = ?1 OR substr(clave, 1, length(?1) + 1) = ?1 || '\\'",
            "DELETE FROM claves WHERE ruta_plegada = ?1 OR "
            "substr(ruta_plegada, 1, length(?1) + 1) = ?1 || '\\'"};
        int paso = SQLITE_DONE;
        for (const char* s : sql) {
            Sentencia st(db_, cache_, s);
            st.Texto(1, clave);
            if (paso == SQLITE_DONE) paso = st.Paso();
        }
        const bool existia = paso == SQLITE_DONE && sqlite3_changes(db_) > 0;
        if (paso == SQLITE_DONE) paso = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (paso != SQLITE_DONE && paso != SQLITE_OK) {
            const std::string motivo = Motivo(db_, paso);
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return Falla(motivo);
        }
        return existia;
    }

private:
    // Opens the one connection of this process when first needed. A missing database is
    // created only for writing (without it, db_ stays null and there is nothing to read); a file
    // that is not a database is left exactly as it is.
    Hecho Conectar(bool crear) {
        if (db_) return {};
        namespace fs = std::filesystem;
        std::error_code ec;
        if (!fs::exists(archivo_, ec)) {
            if (!crear) return {};
            fs::create_directories(fs::path(archivo_).parent_path(), ec);
            // Made for the user alone before SQLite writes a byte; its journals copy its mode.
            const int fd = open(archivo_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0) close(fd);
        }
        if (fs::is_directory(archivo_, ec)) return Falla("es una carpeta, no un archivo");
        Privatizar();
        sqlite3* db = nullptr;
        const int flags =
            SQLITE_OPEN_READWRITE | (crear ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
        int r = sqlite3_open_v2(archivo_.c_str(), &db, flags, nullptr);
        if (r == SQLITE_CANTOPEN || r == SQLITE_READONLY || r == SQLITE_PERM) {
            // A file the user may read but not write still gives its values.
            sqlite3_close(db);
            db = nullptr;
            r = sqlite3_open_v2(archivo_.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                                nullptr);
        }
        if (r != SQLITE_OK) {
            const std::string motivo = Motivo(db, r);
            sqlite3_close(db);
            return Falla(motivo);
        }
        sqlite3_busy_timeout(db, static_cast<int>(espera_.count()));
        // Fails harmlessly on a read-only file; a corrupt one fails the check below.
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                     nullptr);
        if (sqlite3_db_readonly(db, "main") == 0) {
            sqlite3_exec(db,
                         "CREATE TABLE IF NOT EXISTS claves(ruta_plegada TEXT PRIMARY KEY, "
                         "ruta TEXT NOT NULL) WITHOUT ROWID;"
                         "CREATE TABLE IF NOT EXISTS valores(clave TEXT NOT NULL, "
                         "nombre_plegado TEXT NOT NULL, nombre TEXT NOT NULL, tipo INTEGER NOT "
                         "NULL, datos BLOB, PRIMARY KEY(clave, nombre_plegado)) WITHOUT ROWID;",
                         nullptr, nullptr, nullptr);
        }
        r = sqlite3_exec(db, "SELECT 1 FROM claves LIMIT 1; SELECT 1 FROM valores LIMIT 1;",
                         nullptr, nullptr, nullptr);
        if (r != SQLITE_OK) {
            const std::string motivo =
                (r == SQLITE_ERROR) ? "no es un archivo de ajustes de Marlevanta" : Motivo(db, r);
            sqlite3_close(db);
            return Falla(motivo);
        }
        db_ = db;
        return {};
    }

    // Aliases and start pages say whom the user works for: the folder and the files are the
    // user's alone, also those made before by versions that left them readable by all.
    void Privatizar() const {
        const auto restringir = [](const std::string& ruta, mode_t modo) {
            struct stat st {};
            if (lstat(ruta.c_str(), &st) == 0 && st.st_uid == geteuid() && !S_ISLNK(st.st_mode) &&
                (st.st_mode & 07777) != modo) {
                chmod(ruta.c_str(), modo);
            }
        };
        restringir(std::filesystem::path(archivo_).parent_path().string(), 0700);
        for (const char* sufijo : {"", "-wal", "-shm"}) restringir(archivo_ + sufijo, 0600);
    }

    std::string archivo_;
    std::chrono::milliseconds espera_;
    sqlite3* db_ = nullptr;
    Sentencias cache_;
};

}  // namespace

std::string CarpetaConfiguracionXdg() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

std::string RutaRegistroSqlite() {
    return CarpetaConfiguracionXdg() + "/Velquorin/marlevanta/registry.db";
}

std::unique_ptr<RegistroUsuario> CrearRegistroSqlite(const std::string& archivo,
                                                     std::chrono::milliseconds espera) {
    return std::make_unique<RegistroSqlite>(archivo, espera);
}

}  // namespace marlevanta
