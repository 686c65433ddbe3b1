// The Windows back-end: the access token's user SID and the access list of Software\Policies.
#include <windows.h>
// These need the types of windows.h first.
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/u_sistema.h"
#include "platform/windows/u_permisosWin.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

namespace {

std::string MensajeSistema(DWORD codigo) {
    wchar_t* texto = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, codigo, 0, reinterpret_cast<LPWSTR>(&texto), 0, nullptr);
    std::wstring t = texto ? texto : L"";
    LocalFree(texto);
    while (!t.empty() && (t.back() <= 32 || t.back() == L'.')) t.pop_back();
    return Estrecho(t);
}

// A word as the command prompt reads it: quoted when it has blanks.
std::string ParaConsola(const std::string& texto) {
    if (!texto.empty() && texto.find_first_of(" \t&()^;,=\"") == std::string::npos) return texto;
    return '"' + texto + '"';
}

class ElevacionWindows : public ElevacionPermisos {
public:
    Orden Elevada(const std::string& ayudante, const std::string& sid) const override {
        return {ayudante, {sid}};
    }
    std::string OrdenManual(const std::string& ayudante, const std::string& sid) const override {
        return ParaConsola(ayudante) + ' ' + ParaConsola(sid);
    }
    Hecho Desenlace(int codigo, const std::string& error) const override {
        if (codigo == 0) return {};
        std::string dicho = error;
        while (!dicho.empty() && static_cast<unsigned char>(dicho.back()) <= 32) dicho.pop_back();
        const size_t inicio = dicho.find_first_not_of(" \t\r\n");
        dicho = inicio == std::string::npos ? std::string() : dicho.substr(inicio);
        if (!dicho.empty()) return Falla(dicho);
        return Falla("El programa de permisos ha terminado con el código " +
                     std::to_string(codigo) + ".");
    }
    std::string SinArrancar(const std::string& motivo) const override {
        // The user's "no" to the system's question ends here too.
        return "No se ha podido ejecutar el programa de permisos como administrador: " + motivo;
    }
};

}  // namespace

std::unique_ptr<ElevacionPermisos> CrearElevacionWindows() {
    return std::make_unique<ElevacionWindows>();
}

std::string SidUsuarioActual() {
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        if (GetLastError() != ERROR_NO_TOKEN ||
            !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
            return {};
        }
    }
    std::string r;
    DWORD bytes = 0;
    if (!GetTokenInformation(token, TokenUser, nullptr, 0, &bytes) &&
        GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        std::vector<BYTE> buffer(bytes, 0);
        auto* usuario = reinterpret_cast<TOKEN_USER*>(buffer.data());
        if (GetTokenInformation(token, TokenUser, usuario, bytes, &bytes) &&
            IsValidSid(usuario->User.Sid)) {
            const SID_IDENTIFIER_AUTHORITY* a = GetSidIdentifierAuthority(usuario->User.Sid);
            std::array<std::uint8_t, 6> autoridad{};
            for (int i = 0; i < 6; ++i) autoridad[i] = a->Value[i];
            std::vector<std::uint32_t> sub;
            const UCHAR n = *GetSidSubAuthorityCount(usuario->User.Sid);
            for (UCHAR i = 0; i < n; ++i) sub.push_back(*GetSidSubAuthority(usuario->User.Sid, i));
            r = TextoSid(autoridad, sub);
        }
    }
    CloseHandle(token);
    return r;
}

namespace {
std::string Conceder(const std::string& sid);
}  // namespace

Hecho DarPermisosSoftwarePolicies(const std::string& sid) {
    const std::string r = Conceder(sid);
    if (!r.empty()) return Falla(r);
    return {};
}

namespace {

std::string Conceder(const std::string& sid) {
    const std::wstring objeto = sid.empty() ? L"CURRENT_USER\\Software\\Policies"
                                            : L"USERS\\" + Ancho(sid) + L"\\Software\\Policies";
    PSID usuarios = nullptr;
    if (!ConvertStringSidToSidA("S-1-5-32-545", &usuarios)) {
        return MensajeSistema(GetLastError());
    }
    DWORD largoNombre = 0, largoDominio = 0;
    SID_NAME_USE uso;
    std::string resultado;
    if (LookupAccountSidW(nullptr, usuarios, nullptr, &largoNombre, nullptr, &largoDominio, &uso) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        LocalFree(usuarios);
        return "No se pudo encontrar la cuenta del usuario en el registro";
    }
    std::wstring nombre(largoNombre, L'\0');
    std::wstring dominio(largoDominio, L'\0');
    if (!LookupAccountSidW(nullptr, usuarios, nombre.data(), &largoNombre, dominio.data(),
                           &largoDominio, &uso)) {
        LocalFree(usuarios);
        return "No se pudo encontrar la cuenta del usuario en el registro";
    }
    LocalFree(usuarios);
    nombre.resize(largoNombre);
    EXPLICIT_ACCESS_W entrada{};
    BuildExplicitAccessWithNameW(&entrada, nombre.data(), GENERIC_ALL, GRANT_ACCESS,
                                 SUB_CONTAINERS_AND_OBJECTS_INHERIT);
    PACL actual = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD codigo = GetNamedSecurityInfoW(objeto.c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, &actual, nullptr, &descriptor);
    if (codigo != ERROR_SUCCESS) {
        return "No se pudieron leer los permisos existentes por la siguiente causa: " +
               MensajeSistema(codigo);
    }
    PACL nueva = nullptr;
    codigo = SetEntriesInAclW(1, &entrada, actual, &nueva);
    if (codigo != ERROR_SUCCESS) {
        resultado = "No se pudo escribir el set de permisos por la siguiente causa: " +
                    MensajeSistema(codigo);
    } else {
        codigo = SetNamedSecurityInfoW(const_cast<LPWSTR>(objeto.c_str()), SE_REGISTRY_KEY,
                                       DACL_SECURITY_INFORMATION, nullptr, nullptr, nueva, nullptr);
        if (codigo != ERROR_SUCCESS) {
            resultado = "No se pudieron guardar los permisos por la siguiente causa: " +
                        MensajeSistema(codigo);
        }
        LocalFree(nueva);
    }
    LocalFree(descriptor);
    return resultado;
}

}  // namespace

}  // namespace marlevanta
