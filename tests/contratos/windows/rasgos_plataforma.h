// What the contracts find different on Windows, all in one place: where each back-end keeps its
// data (registry, the user's "MY" store, the policy keys) and how a test reads or sets it there
// with the Win32 API directly, the SID form, the names of programs and of the home variable.
#pragma once

#include <windows.h>
// These need the types of windows.h first.
#include <aclapi.h>
#include <sddl.h>
#include <wincrypt.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comun.h"
#include "platform/u_sistema.h"
#include "platform/windows/u_archivoProgramaWin.h"
#include "platform/windows/u_utf16.h"

namespace contrato {

using namespace marlevanta;

// Wine's ntdll exports wine_get_version; Windows' does not.
inline bool EnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

inline std::wstring RutaPropia() {
    std::wstring ruta(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
        if (n < ruta.size()) {
            ruta.resize(n);
            return ruta;
        }
        ruta.resize(ruta.size() * 2);
    }
}

// The files built beside the test program: certificates, the child program.
inline std::string Datos(const std::string& nombre) {
    const std::wstring ruta = RutaPropia();
    return Estrecho(ruta.substr(0, ruta.find_last_of(L"\\/") + 1)) + nombre;
}

// A variable of the process environment, which started programs inherit, for the life of the
// object.
class Variable {
public:
    Variable(const std::string& nombre, const std::string& valor) : nombre_(Ancho(nombre)) {
        const DWORD n = GetEnvironmentVariableW(nombre_.c_str(), nullptr, 0);
        if (n > 0) {
            std::wstring v(n, L'\0');
            v.resize(GetEnvironmentVariableW(nombre_.c_str(), v.data(), n));
            anterior_ = v;
        }
        SetEnvironmentVariableW(nombre_.c_str(), Ancho(valor).c_str());
    }
    ~Variable() {
        SetEnvironmentVariableW(nombre_.c_str(), anterior_ ? anterior_->c_str() : nullptr);
    }
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

private:
    std::wstring nombre_;
    std::optional<std::wstring> anterior_;
};

// These tests change the user's registry and personal certificate store: under Wine that is a
// prefix of the build's own; on Windows only on request, in an account kept for tests.
class SoloEnEntornoDePrueba : public testing::Environment {
public:
    void SetUp() override {
        if (!EnWine() &&
            GetEnvironmentVariableW(L"MARLEVANTA_CONTRATOS_EN_ESTA_CUENTA", nullptr, 0) == 0) {
            GTEST_SKIP() << "These tests change this account's registry and certificate store; "
                            "set MARLEVANTA_CONTRATOS_EN_ESTA_CUENTA=1 in an account for tests.";
        }
    }
};

inline void PrepararPlataforma() {
    testing::AddGlobalTestEnvironment(new SoloEnEntornoDePrueba);
}

// "Software\\X" below HKEY_CURRENT_USER from the interfaces' "\\Software\\X".
inline std::wstring Subclave(const std::string& ruta) {
    std::wstring r = Ancho(ruta);
    while (!r.empty() && r.front() == L'\\') r.erase(r.begin());
    return r;
}

// The current user's SID, from the process token.
inline std::vector<BYTE> UsuarioDelToken() {
    HANDLE token = nullptr;
    std::vector<BYTE> r;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return r;
    DWORD bytes = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    r.resize(bytes);
    if (bytes == 0 || !GetTokenInformation(token, TokenUser, r.data(), bytes, &bytes)) r.clear();
    CloseHandle(token);
    return r;
}

inline std::string TextoSidWin(PSID sid) {
    LPWSTR texto = nullptr;
    if (!ConvertSidToStringSidW(sid, &texto)) return {};
    std::string r = Estrecho(std::wstring(texto));
    LocalFree(texto);
    return r;
}

// ---------------------------------------------------------------------------------------------
// Settings store: the registry below HKEY_CURRENT_USER.

enum class TipoValor { Falta, Texto, TextoExpandible, Otro };

class BancoRegistroWin {
public:
    static constexpr const char* kNombre = "RegistroWin";

    BancoRegistroWin() { Borrar(); }
    ~BancoRegistroWin() { Borrar(); }

    std::unique_ptr<RegistroUsuario> Crear() { return CrearRegistroUsuario(); }
    std::string UbicacionEsperada() const {
        return "HKEY_CURRENT_USER\\Software\\Velquorin\\marlevanta";
    }

    TipoValor Tipo(const std::string& ruta, const std::string& nombre) {
        HKEY clave = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Subclave(ruta).c_str(), 0, KEY_READ, &clave) !=
            ERROR_SUCCESS) {
            return TipoValor::Falta;
        }
        DWORD tipo = 0;
        const LSTATUS r =
            RegQueryValueExW(clave, Ancho(nombre).c_str(), nullptr, &tipo, nullptr, nullptr);
        RegCloseKey(clave);
        if (r != ERROR_SUCCESS) return TipoValor::Falta;
        return tipo == REG_SZ          ? TipoValor::Texto
               : tipo == REG_EXPAND_SZ ? TipoValor::TextoExpandible
                                       : TipoValor::Otro;
    }

    bool ExisteClave(const std::string& ruta) {
        HKEY clave = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Subclave(ruta).c_str(), 0, KEY_READ, &clave) !=
            ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(clave);
        return true;
    }

    bool GuardarNumero(const std::string& ruta, const std::string& nombre, DWORD n) {
        return Guardar(ruta, nombre, REG_DWORD, &n, sizeof n);
    }
    bool GuardarExpandible(const std::string& ruta, const std::string& nombre,
                           const std::string& texto) {
        const std::wstring t = Ancho(texto);
        return Guardar(ruta, nombre, REG_EXPAND_SZ, t.c_str(),
                       static_cast<DWORD>((t.size() + 1) * sizeof(wchar_t)));
    }

private:
    static void Borrar() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velquorin"); }

    static bool Guardar(const std::string& ruta, const std::string& nombre, DWORD tipo,
                        const void* datos, DWORD bytes) {
        HKEY clave = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Subclave(ruta).c_str(), 0, KEY_SET_VALUE, &clave) !=
            ERROR_SUCCESS) {
            return false;
        }
        const LSTATUS r = RegSetValueExW(clave, Ancho(nombre).c_str(), 0, tipo,
                                         static_cast<const BYTE*>(datos), bytes);
        RegCloseKey(clave);
        return r == ERROR_SUCCESS;
    }
};

using BancosRegistro = testing::Types<BancoRegistroWin>;

// ---------------------------------------------------------------------------------------------
// Certificate store: the user's system store "MY", filled as the certificate import of Windows
// does it: PFXImportCertStore, then the certificate with its key link added to "MY".

class BancoCertificadosMy {
public:
    static constexpr const char* kNombre = "CryptoApiMy";

    BancoCertificadosMy() { Vaciar(); }
    ~BancoCertificadosMy() { Vaciar(); }

    std::unique_ptr<AlmacenCertificados> Crear() { return CrearAlmacenCertificados(); }

    bool Importar(const std::string& p12) {
        std::string datos = LeerArchivo(Datos(p12));
        CRYPT_DATA_BLOB blob{static_cast<DWORD>(datos.size()),
                             reinterpret_cast<BYTE*>(datos.data())};
        HCERTSTORE pfx = PFXImportCertStore(&blob, L"clave-prueba", CRYPT_USER_KEYSET);
        if (!pfx) {
            ADD_FAILURE() << "PFXImportCertStore " << p12 << ": 0x" << std::hex << GetLastError();
            return false;
        }
        bool ok = false;
        PCCERT_CONTEXT ctx = nullptr;
        while ((ctx = CertEnumCertificatesInStore(pfx, ctx)) != nullptr) {
            DWORD bytes = 0;
            if (!CertGetCertificateContextProperty(ctx, CERT_KEY_PROV_INFO_PROP_ID, nullptr,
                                                   &bytes)) {
                continue;
            }
            HCERTSTORE my = CertOpenSystemStoreW(0, L"MY");
            ok = my && CertAddCertificateContextToStore(my, ctx, CERT_STORE_ADD_REPLACE_EXISTING,
                                                        nullptr);
            if (my) CertCloseStore(my, 0);
        }
        CertCloseStore(pfx, 0);
        return ok;
    }

    bool ImportarSinClave(const std::string& der) {
        const std::string datos = LeerArchivo(Datos(der));
        HCERTSTORE my = CertOpenSystemStoreW(0, L"MY");
        const bool ok =
            my && CertAddEncodedCertificateToStore(
                      my, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(datos.data()),
                      static_cast<DWORD>(datos.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        if (my) CertCloseStore(my, 0);
        return ok;
    }

private:
    // Only the certificates of these tests; through the registry provider itself, as Wine 8
    // forgets a deletion made through the system-store collection unless it is committed.
    static void Vaciar() {
        HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                      CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
        if (!my) return;
        for (const char* huella : {"hoja.sha1", "otra.sha1", "ca.sha1"}) {
            const std::string hex = PrimeraLinea(Datos(huella));
            std::vector<BYTE> sha1;
            for (size_t i = 0; i + 1 < hex.size(); i += 2) {
                sha1.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            }
            CRYPT_HASH_BLOB blob{static_cast<DWORD>(sha1.size()), sha1.data()};
            for (int vez = 0; vez < 10; ++vez) {
                PCCERT_CONTEXT ctx = CertFindCertificateInStore(
                    my, X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
                if (!ctx || !CertDeleteCertificateFromStore(ctx)) break;
            }
        }
        CertCloseStore(my, 0);
    }
};

using BancosCertificados = testing::Types<BancoCertificadosMy>;

// The import into the user's "MY", emptied of the tests' certificates before and after.
class BancoImportadorMy {
public:
    static constexpr const char* kNombre = "CryptoApiMy";

    std::unique_ptr<ImportadorCertificados> Crear() { return CrearImportadorCertificados(); }
    std::unique_ptr<AlmacenCertificados> Almacen() { return CrearAlmacenCertificados(); }
    Resultado<DetallesCertificado> Detalles(const std::string& huella) {
        return LeerDetallesCertificado(huella);
    }

private:
    BancoCertificadosMy vaciado_;
};

using BancosImportador = testing::Types<BancoImportadorMy>;

// ---------------------------------------------------------------------------------------------
// Browser policies: the keys below HKEY_CURRENT_USER\Software\Policies that the browsers read.

// The DACL of a key (created when missing), put back as it was at the end; in between an entry
// may be added to it.
class DaclGuardada {
public:
    explicit DaclGuardada(const std::wstring& subclave) : subclave_(subclave) {
        HKEY clave = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, subclave.c_str(), 0, nullptr, 0, READ_CONTROL,
                            nullptr, &clave, nullptr) != ERROR_SUCCESS) {
            return;
        }
        GetSecurityInfo(clave, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl_,
                        nullptr, &sd_);
        RegCloseKey(clave);
    }
    ~DaclGuardada() {
        if (sd_) Poner(dacl_);
        LocalFree(sd_);
    }
    DaclGuardada(const DaclGuardada&) = delete;
    DaclGuardada& operator=(const DaclGuardada&) = delete;

    bool Anadir(ACCESS_MODE modo, DWORD permisos, PSID quien) {
        EXPLICIT_ACCESSW e{};
        e.grfAccessPermissions = permisos;
        e.grfAccessMode = modo;
        e.grfInheritance = NO_INHERITANCE;
        e.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        e.Trustee.TrusteeType = TRUSTEE_IS_USER;
        e.Trustee.ptstrName = static_cast<LPWSTR>(quien);
        PACL nueva = nullptr;
        const bool ok =
            sd_ && SetEntriesInAclW(1, &e, dacl_, &nueva) == ERROR_SUCCESS && Poner(nueva);
        LocalFree(nueva);
        return ok;
    }

private:
    bool Poner(PACL dacl) {
        HKEY clave = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, subclave_.c_str(), 0, WRITE_DAC, &clave) !=
            ERROR_SUCCESS) {
            return false;
        }
        const bool ok = SetSecurityInfo(clave, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                        nullptr, dacl, nullptr) == ERROR_SUCCESS;
        RegCloseKey(clave);
        return ok;
    }

    std::wstring subclave_;
    PSECURITY_DESCRIPTOR sd_ = nullptr;
    PACL dacl_ = nullptr;  // inside sd_
};

class BancoPoliticasRegistro {
public:
    static constexpr const char* kNombre = "RegistroWin";

    BancoPoliticasRegistro() { Limpiar(); }
    ~BancoPoliticasRegistro() {
        bloqueo_.reset();
        Limpiar();
    }

    std::unique_ptr<AlmacenPoliticas> Crear() { return CrearAlmacenPoliticas(); }

    // Every text value of the policy key: the browser reads the list "1", "2", ... from it. The
    // store takes no rule in the profile here.
    std::vector<std::string> Leer(Navegador navegador, LugarRegla) {
        std::vector<std::string> r;
        HKEY clave = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Clave(navegador), 0, KEY_READ, &clave) !=
            ERROR_SUCCESS) {
            return r;
        }
        for (DWORD i = 0;; ++i) {
            wchar_t nombre[256];
            DWORD largoNombre = 256;
            DWORD tipo = 0;
            std::vector<wchar_t> valor(4096, L'\0');
            DWORD bytes = static_cast<DWORD>(valor.size() * sizeof(wchar_t));
            if (RegEnumValueW(clave, i, nombre, &largoNombre, nullptr, &tipo,
                              reinterpret_cast<BYTE*>(valor.data()), &bytes) != ERROR_SUCCESS) {
                break;
            }
            if (tipo == REG_SZ) r.push_back(Estrecho(std::wstring(valor.data())));
        }
        RegCloseKey(clave);
        return r;
    }

    // The user may not write the browser's policy key, as where it was made by an administrator.
    // (Denying the creation of subkeys on its parent would do on Windows, but Wine 8 checks no
    // access on the parent when it creates a key.)
    bool Bloquear(Navegador navegador, LugarRegla) {
        usuario_ = UsuarioDelToken();
        if (usuario_.empty()) return false;
        bloqueo_ = std::make_unique<DaclGuardada>(Clave(navegador));
        return bloqueo_->Anadir(DENY_ACCESS, KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                                reinterpret_cast<TOKEN_USER*>(usuario_.data())->User.Sid);
    }

private:
    static const wchar_t* Clave(Navegador navegador) {
        return navegador == Navegador::Edge
                   ? L"Software\\Policies\\Microsoft\\Edge\\AutoSelectCertificateForUrls"
                   : L"Software\\Policies\\Google\\Chrome\\AutoSelectCertificateForUrls";
    }
    static void Limpiar() {
        RegDeleteTreeW(HKEY_CURRENT_USER, Clave(Navegador::Edge));
        RegDeleteTreeW(HKEY_CURRENT_USER, Clave(Navegador::Chrome));
    }

    std::vector<BYTE> usuario_;
    std::unique_ptr<DaclGuardada> bloqueo_;
};

using BancosPoliticas = testing::Types<BancoPoliticasRegistro>;

// ---------------------------------------------------------------------------------------------
// The permission grant: the access list of the user's Software\Policies key; the grantee is the
// local group Users (S-1-5-32-545). SIDs of local and domain accounts are "S-1-5-21-...".

class BancoPermisosWin {
public:
    const char* SinConcesion() const { return nullptr; }
    static constexpr const char* kNombre = "SeguridadWin";

    BancoPermisosWin() { RegDeleteTreeW(HKEY_CURRENT_USER, kNueva); }
    ~BancoPermisosWin() { RegDeleteTreeW(HKEY_CURRENT_USER, kNueva); }

    std::string SidPropio() const {
        std::vector<BYTE> usuario = UsuarioDelToken();
        if (usuario.empty()) return {};
        return TextoSidWin(reinterpret_cast<TOKEN_USER*>(usuario.data())->User.Sid);
    }
    std::string PrefijoSid() const { return "S-1-5-21-"; }
    // No hive of this SID is loaded.
    std::string SidDeNadie() const { return "S-1-5-21-1-2-3-4242"; }
    std::string FalloSidDeNadie() const {
        return "No se pudieron leer los permisos existentes por la siguiente causa: ";
    }

    // The entries of the key's access list, as SDDL.
    std::vector<std::string> Entradas() const { return EntradasDe(kPoliticas); }

    // The group Users has full control of the key, in an entry that keys below it inherit.
    bool Concedido(const std::string&) const { return ControlTotalDeUsuarios(kPoliticas, false); }

    // A key created below it now has that entry.
    testing::AssertionResult HeredadoPorNuevo(const std::string&) const {
        HKEY clave = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kNueva, 0, nullptr, 0, KEY_READ, nullptr, &clave,
                            nullptr) != ERROR_SUCCESS) {
            return testing::AssertionFailure() << "cannot create a key below Software\\Policies";
        }
        RegCloseKey(clave);
        if (ControlTotalDeUsuarios(kNueva, true)) return testing::AssertionSuccess();
        return testing::AssertionFailure() << testing::PrintToString(EntradasDe(kNueva));
    }

    // What the grant does that Wine 8 does not do as Windows does, so that no test claims it.
    const char* HerenciaNoComprobable() const {
        return EnWine() ? "Wine 8 gives a new registry key its default security descriptor, "
                          "never the inheritable entries of its parent"
                        : nullptr;
    }
    const char* RepeticionNoComprobable() const {
        return EnWine()
                   ? "Wine 8's SetEntriesInAclW adds one more entry for a trustee that has one "
                     "already, where Windows merges the rights of GRANT_ACCESS into it"
                   : nullptr;
    }

private:
    static constexpr const wchar_t* kPoliticas = L"Software\\Policies";
    static constexpr const wchar_t* kNueva = L"Software\\Policies\\MarlevantaPruebaHerencia";

    template <class F>
    static void ConDacl(const wchar_t* subclave, F hacer) {
        HKEY clave = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, subclave, 0, READ_CONTROL, &clave) != ERROR_SUCCESS) {
            return;
        }
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (GetSecurityInfo(clave, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            &dacl, nullptr, &sd) == ERROR_SUCCESS) {
            hacer(sd, dacl);
        }
        LocalFree(sd);
        RegCloseKey(clave);
    }

    static std::vector<std::string> EntradasDe(const wchar_t* subclave) {
        std::vector<std::string> r;
        ConDacl(subclave, [&](PSECURITY_DESCRIPTOR sd, PACL) {
            LPWSTR texto = nullptr;
            if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
                    sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &texto, nullptr)) {
                return;
            }
            const std::string sddl = Estrecho(std::wstring(texto));
            LocalFree(texto);
            size_t i = 0;
            while ((i = sddl.find('(', i)) != std::string::npos) {
                const size_t fin = sddl.find(')', i);
                r.push_back(sddl.substr(i, fin - i + 1));
                i = fin;
            }
        });
        std::sort(r.begin(), r.end());
        return r;
    }

    static bool ControlTotalDeUsuarios(const wchar_t* subclave, bool heredado) {
        PSID usuarios = nullptr;
        if (!ConvertStringSidToSidW(L"S-1-5-32-545", &usuarios)) return false;
        bool encontrado = false;
        ConDacl(subclave, [&](PSECURITY_DESCRIPTOR, PACL dacl) {
            for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
                ACCESS_ALLOWED_ACE* ace = nullptr;
                if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) ||
                    ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
                    !EqualSid(reinterpret_cast<PSID>(&ace->SidStart), usuarios)) {
                    continue;
                }
                const bool total = ace->Mask == GENERIC_ALL || ace->Mask == KEY_ALL_ACCESS;
                const BYTE flags = ace->Header.AceFlags;
                const bool hereda = (flags & CONTAINER_INHERIT_ACE) != 0;
                const bool aplica = (flags & INHERIT_ONLY_ACE) == 0;
                const bool esHeredado = (flags & INHERITED_ACE) != 0;
                if (total && aplica && (heredado ? esHeredado : hereda)) encontrado = true;
            }
        });
        LocalFree(usuarios);
        return encontrado;
    }

    // Software\Policies exists on Windows, not always under Wine.
    DaclGuardada guardada_{kPoliticas};
};

using BancosPermisos = testing::Types<BancoPermisosWin>;

// ---------------------------------------------------------------------------------------------
// Starting programs: executables end in ".exe"; PATH is the process environment's.

class BancoProcesosWin {
public:
    static constexpr const char* kNombre = "ShellExecute";

    std::shared_ptr<IniciadorProcesos> Crear() { return CrearIniciadorProcesos(); }

    std::string Hijo() const { return Datos("hijo_argumentos.exe"); }
    std::string NombreArchivo(const std::string& nombre) const { return nombre + ".exe"; }
    bool Copiar(const std::string& desde, const std::string& hasta) const {
        std::error_code ec;
        std::filesystem::create_directories(Ruta(hasta).parent_path(), ec);
        return CopyFileW(Ancho(desde).c_str(), Ancho(hasta).c_str(), TRUE) != 0;
    }
    std::unique_ptr<Variable> PrimeroEnPath(const std::string& carpeta) const {
        std::wstring path(GetEnvironmentVariableW(L"PATH", nullptr, 0), L'\0');
        path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
        return std::make_unique<Variable>("PATH", carpeta + ";" + Estrecho(path));
    }
    std::unique_ptr<Variable> Poner(const std::string& nombre, const std::string& valor) const {
        return std::make_unique<Variable>(nombre, valor);
    }
};

using BancosProcesos = testing::Types<BancoProcesosWin>;

// ---------------------------------------------------------------------------------------------
// The program's own file: its version resource, compiled in from a .rc with windres.

class BancoArchivoWin {
public:
    static constexpr const char* kNombre = "VersionWin";

    std::unique_ptr<ArchivoPrograma> DelPrograma() { return CrearArchivoPrograma(); }
    std::string RutaDelPrograma() const { return Estrecho(RutaPropia()); }
    std::unique_ptr<ArchivoPrograma> De(const std::string& ruta) {
        return CrearArchivoPrograma(ruta);
    }
    // The child program has no version resource.
    std::string ArchivoSinVersion() const { return Datos("hijo_argumentos.exe"); }
    bool PonerFecha(const std::string& ruta, std::chrono::system_clock::time_point t) const {
        const auto s = std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch());
        // FILETIME counts 100 ns from 1601-01-01, 11644473600 s before the Unix epoch.
        const ULONGLONG v = (static_cast<ULONGLONG>(s.count()) + 11644473600ULL) * 10000000ULL;
        const FILETIME ft{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
        HANDLE h = CreateFileW(Ancho(ruta).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const bool ok = SetFileTime(h, nullptr, nullptr, &ft) != 0;
        CloseHandle(h);
        return ok;
    }
};

using BancosArchivo = testing::Types<BancoArchivoWin>;

// ---------------------------------------------------------------------------------------------
// Starting a browser: "start" finds it by name on PATH (or through App Paths), its profile
// folder below %HOMEPATH%.

struct Navegadores {
    static constexpr const char* kVariableCasa = "HOMEPATH";
    static constexpr const char* kCasa = "\\Users\\Ana María de la O";
    static std::string Programa(Navegador n) {
        return n == Navegador::Edge ? "msedge.exe" : "chrome.exe";
    }
};

}  // namespace contrato
