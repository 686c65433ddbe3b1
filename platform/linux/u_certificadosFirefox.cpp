// Firefox keeps its certificates in an NSS database of each profile. The profile is opened
// read-only (Firefox may be running, and its files are not ours to change); each key leaves it
// only as PKCS #12 in memory, under a password made for that copy, and goes into the user's
// store through the same import as a .p12 file.
#include "platform/linux/u_certificadosFirefox.h"

#include <cert.h>
#include <nss.h>
#include <p12.h>
#include <pk11pub.h>
#include <prerror.h>
#include <secerr.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/plataforma/u_detallesCertificado.h"
#include "core/plataforma/u_registroUsuario.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_cerrojoNss.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_textoNss.h"

namespace marlevanta {

namespace {

namespace fs = std::filesystem;

// A profile list is a few lines per profile: anything larger is not one.
constexpr std::uintmax_t kTamanoMaximoIni = 1024 * 1024;

struct SeccionIni {
    std::string nombre;
    std::map<std::string, std::string> valores;
};

std::string Recortado(const std::string& s) {
    const auto blanco = [](unsigned char c) { return std::isspace(c) != 0; };
    size_t a = 0;
    size_t b = s.size();
    while (a < b && blanco(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && blanco(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

bool EmpiezaSinMayusculas(const std::string& s, const std::string& prefijo) {
    if (s.size() < prefijo.size()) return false;
    for (size_t i = 0; i < prefijo.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefijo[i]))) {
            return false;
        }
    }
    return true;
}

// Lines that are not a section or a key=value pair are skipped: a damaged list still gives
// the profiles it can.
std::vector<SeccionIni> LeerIni(const fs::path& ruta) {
    std::vector<SeccionIni> secciones;
    std::error_code ec;
    const auto tamano = fs::file_size(ruta, ec);
    if (ec || tamano > kTamanoMaximoIni) return secciones;
    std::ifstream f(ruta, std::ios::binary);
    std::string linea;
    bool primera = true;
    while (std::getline(f, linea)) {
        if (primera && linea.rfind("\xEF\xBB\xBF", 0) == 0) linea.erase(0, 3);
        primera = false;
        linea = Recortado(linea);
        if (linea.empty() || linea[0] == ';' || linea[0] == '#') continue;
        if (linea.front() == '[' && linea.back() == ']') {
            secciones.push_back({Recortado(linea.substr(1, linea.size() - 2)), {}});
            continue;
        }
        const auto igual = linea.find('=');
        if (igual == std::string::npos || secciones.empty()) continue;
        secciones.back().valores.emplace(Recortado(linea.substr(0, igual)),
                                         Recortado(linea.substr(igual + 1)));
    }
    return secciones;
}

std::string Valor(const SeccionIni& s, const std::string& clave) {
    const auto it = s.valores.find(clave);
    return it == s.valores.end() ? std::string() : it->second;
}

// Where a Path= of the list leads; empty when it leads nowhere. A relative one is read from the
// list's folder whatever IsRelative says, never from wherever the program happens to run.
std::string Carpeta(const fs::path& base, const std::string& ruta) {
    if (ruta.empty()) return {};
    std::error_code ec;
    const fs::path completa = fs::weakly_canonical(base / ruta, ec);
    if (ec || !fs::is_directory(completa, ec)) return {};
    return completa.string();
}

void PerfilesDe(const fs::path& base, const std::string& instalacion,
                std::vector<PerfilFirefox>& perfiles, std::set<std::string>& vistos) {
    const auto lista = LeerIni(base / "profiles.ini");
    auto instalaciones = LeerIni(base / "installs.ini");
    instalaciones.insert(instalaciones.end(), lista.begin(), lista.end());
    // The profile each installation starts with (Firefox 67 on); before that, Default=1.
    std::set<std::string> porInstalacion;
    for (const auto& s : instalaciones) {
        if (!EmpiezaSinMayusculas(s.nombre, "Install")) continue;
        const std::string c = Carpeta(base, Valor(s, "Default"));
        if (!c.empty()) porInstalacion.insert(c);
    }
    const size_t antes = perfiles.size();
    for (const auto& s : lista) {
        if (!EmpiezaSinMayusculas(s.nombre, "Profile")) continue;
        const std::string c = Carpeta(base, Valor(s, "Path"));
        if (c.empty() || !vistos.insert(c).second) continue;
        PerfilFirefox p;
        p.nombre = Valor(s, "Name");
        if (p.nombre.empty()) p.nombre = fs::path(c).filename().string();
        p.ruta = c;
        p.instalacion = instalacion;
        p.predeterminado =
            porInstalacion.empty() ? Valor(s, "Default") == "1" : porInstalacion.count(c) > 0;
        perfiles.push_back(std::move(p));
    }
    // Firefox starts with the only profile there is, whatever the list says.
    if (perfiles.size() == antes + 1) perfiles.back().predeterminado = true;
}

std::string Sha256(const SECItem& der) {
    unsigned char h[32];
    if (PK11_HashBuf(SEC_OID_SHA256, h, der.data, static_cast<PRInt32>(der.len)) != SECSuccess) {
        return {};
    }
    return HexMayusculas(h, sizeof h);
}

// An empty password is no password: Firefox sets one only when the user asks it to.
bool TieneContrasena(PK11SlotInfo* slot) {
    if (PK11_NeedUserInit(slot) || !PK11_NeedLogin(slot) || PK11_IsLoggedIn(slot, nullptr)) {
        return false;
    }
    return PK11_CheckUserPassword(slot, "") != SECSuccess;
}

void Borrar(std::string& s) {
    if (!s.empty()) PORT_Memset(s.data(), 0, s.size());
    s.clear();
}

class CertificadosFirefoxNss : public CertificadosFirefox {
public:
    CertificadosFirefoxNss(std::string home, std::string almacen)
        : home_(std::move(home)),
          almacen_(almacen.empty() ? DirectorioNssPorDefecto() : std::move(almacen)) {
        if (home_.empty()) {
            const char* h = std::getenv("HOME");
            home_ = h ? h : "";
        }
    }

    std::vector<PerfilFirefox> PerfilesFirefox() override {
        std::vector<PerfilFirefox> perfiles;
        std::set<std::string> vistos;
        if (home_.empty()) return perfiles;
        const fs::path h(home_);
        PerfilesDe(h / ".mozilla/firefox", "Firefox", perfiles, vistos);
        PerfilesDe(h / "snap/firefox/common/.mozilla/firefox", "Firefox (snap)", perfiles, vistos);
        PerfilesDe(h / ".var/app/org.mozilla.firefox/.mozilla/firefox", "Firefox (Flatpak)",
                   perfiles, vistos);
        return perfiles;
    }

    Resultado<CertificadosPerfil> Leer(const std::string& ruta) override {
        CertificadosPerfil r;
        if (auto abierto = Abrir(ruta,
                                 [&](PK11SlotInfo* slot) {
                                     r.conContrasena = TieneContrasena(slot);
                                     return Hecho{};
                                 });
            !abierto) {
            return Fallo{abierto.motivo()};
        }
        std::error_code ec;
        if (!fs::exists(fs::path(ruta) / "cert9.db", ec)) return r;
        // Its tables only: NSS's way would load the modules the profile lists (smart-card
        // drivers and the like).
        auto delPerfil = CrearAlmacenNss(ruta, ViaNss::Tablas)->LeerCertificados();
        if (!delPerfil) {
            return Falla("No se pueden leer los certificados del perfil de Firefox \"" + ruta +
                         "\": " + delPerfil.motivo());
        }
        auto delUsuario = CrearAlmacenNss(almacen_)->LeerCertificados();
        if (!delUsuario) return Fallo{delUsuario.motivo()};
        std::set<std::string> enAlmacen;
        for (const auto& c : *delUsuario) enAlmacen.insert(c.huellaSha256);
        for (auto& c : *delPerfil) {
            const bool esta = enAlmacen.count(c.huellaSha256) > 0;
            r.certificados.push_back({std::move(c), esta});
        }
        return r;
    }

    Resultado<std::vector<CertificadoImportado>> Copiar(const std::string& ruta,
                                                        const std::vector<std::string>& huellas,
                                                        const std::string& contrasena) override {
        auto leidos = Leer(ruta);
        if (!leidos) return Fallo{leidos.motivo()};
        // What was asked for, in the profile's order; those the store has are not exported.
        std::set<std::string> pedidas;
        for (const auto& h : huellas) pedidas.insert(MayusculasAscii(h));
        std::vector<CertificadoImportado> hechos;
        std::set<std::string> aCopiar;
        for (const auto& c : leidos->certificados) {
            const bool pedida = pedidas.erase(c.datos.huellaSha256) > 0;
            if (!huellas.empty() && !pedida) continue;
            if (c.enAlmacen) {
                hechos.push_back({c.datos.huella, true});
            } else {
                aCopiar.insert(c.datos.huellaSha256);
            }
        }
        if (!pedidas.empty()) {
            return Falla("El perfil de Firefox \"" + ruta +
                         "\" no tiene el certificado de huella SHA-256 " + *pedidas.begin() +
                         " con su clave privada. Vuelva a leer los certificados del perfil.");
        }
        if (aCopiar.empty()) return hechos;

        std::vector<std::string> paquetes;
        std::string clave;
        const auto limpiar = [&] {
            for (auto& p : paquetes) Borrar(p);
            Borrar(clave);
        };
        auto exportado = Abrir(ruta, [&](PK11SlotInfo* slot) -> Hecho {
            if (TieneContrasena(slot) &&
                PK11_CheckUserPassword(slot, contrasena.c_str()) != SECSuccess) {
                if (PORT_GetError() == SEC_ERROR_BAD_PASSWORD) return Falla(kContrasenaIncorrecta);
                return Falla("No se puede abrir el almacén de claves del perfil de Firefox \"" +
                             ruta + "\"" + PorqueNss() + ".");
            }
            unsigned char azar[24];
            if (PK11_GenerateRandom(azar, sizeof azar) != SECSuccess) {
                return Falla("No se ha podido preparar la copia de las claves" + PorqueNss() + ".");
            }
            clave = HexMayusculas(azar, sizeof azar);
            PORT_Memset(azar, 0, sizeof azar);
            SECItem item = {siBuffer, reinterpret_cast<unsigned char*>(clave.data()),
                            static_cast<unsigned>(clave.size())};
            CERTCertList* lista = PK11_ListCertsInSlot(slot);
            if (!lista) {
                return Falla("El perfil de Firefox \"" + ruta + "\" no tiene certificados.");
            }
            Hecho r;
            for (CERTCertListNode* n = CERT_LIST_HEAD(lista); r && !CERT_LIST_END(n, lista);
                 n = CERT_LIST_NEXT(n)) {
                if (!aCopiar.count(Sha256(n->cert->derCert))) continue;
                std::string p12;
                if (!ExportarPkcs12Nss(slot, n->cert, item, p12)) {
                    r = Falla("No se ha podido sacar la clave privada del certificado \"" +
                              TextoNss(CERT_GetCommonName(&n->cert->subject)) +
                              "\" del perfil de Firefox \"" + ruta + "\"" + PorqueNss() +
                              ". Expórtelo desde Firefox a un archivo .p12 e impórtelo.");
                }
                paquetes.push_back(std::move(p12));
            }
            CERT_DestroyCertList(lista);
            if (r && paquetes.size() != aCopiar.size()) {
                r = Falla("El perfil de Firefox \"" + ruta +
                          "\" ha cambiado mientras se leía. Vuelva a leer sus certificados.");
            }
            return r;
        });
        if (!exportado) {
            limpiar();
            return Fallo{exportado.motivo()};
        }
        for (auto& p : paquetes) {
            auto importado =
                ImportarPkcs12Nss(almacen_, p, clave, "del perfil de Firefox \"" + ruta + "\"");
            if (!importado) {
                limpiar();
                std::string motivo = importado.motivo();
                if (!hechos.empty()) {
                    motivo += " Los " + std::to_string(hechos.size()) +
                              " certificados anteriores sí están en el almacén.";
                }
                return Falla(motivo);
            }
            hechos.push_back(*importado);
        }
        limpiar();
        return hechos;
    }

private:
    // Opens the profile's database read-only for `usar`, under NSS's lock. A profile without a
    // database yet is not opened, and is not a failure.
    template <class F>
    Hecho Abrir(const std::string& ruta, F usar) {
        std::error_code ec;
        const fs::path carpeta(ruta);
        if (!fs::is_directory(carpeta, ec)) {
            return Falla("No se encuentra la carpeta del perfil de Firefox \"" + ruta +
                         "\". Vuelva a buscar los perfiles.");
        }
        if (!fs::exists(carpeta / "cert9.db", ec)) {
            if (fs::exists(carpeta / "cert8.db", ec)) {
                return Falla("El perfil de Firefox \"" + ruta +
                             "\" guarda los certificados en el formato antiguo (cert8.db). Abra "
                             "ese perfil una vez con un Firefox actual, que lo convierte, y "
                             "vuelva a intentarlo.");
            }
            return {};
        }
        std::lock_guard<std::mutex> cerrojo(CerrojoNss());
        ContextoNss nss;
        const std::string config = "sql:" + ruta;
        // No module list: the profile's may name smart-card drivers, which are not ours to load.
        nss.ctx_ = NSS_InitContext(
            config.c_str(), "", "", "", nullptr,
            NSS_INIT_READONLY | NSS_INIT_NOROOTINIT | NSS_INIT_NOMODDB | NSS_INIT_OPTIMIZESPACE);
        if (nss.ctx_) nss.slot_ = PK11_GetInternalKeySlot();
        if (!nss.ctx_ || !nss.slot_) {
            return Falla("No se puede leer la base de certificados del perfil de Firefox \"" +
                         ruta + "\" (" + TextoErrorNss(PR_GetError()) +
                         "). Si Firefox está abierto, ciérrelo y vuelva a intentarlo; si sigue "
                         "igual, la base está dañada: abra Firefox, exporte el certificado a un "
                         "archivo .p12 e impórtelo.");
        }
        return usar(nss.slot_);
    }

    std::string home_;
    std::string almacen_;
};

}  // namespace

std::unique_ptr<CertificadosFirefox> CrearCertificadosFirefoxNss(const std::string& home,
                                                                 const std::string& almacen) {
    return std::make_unique<CertificadosFirefoxNss>(home, almacen);
}

}  // namespace marlevanta
