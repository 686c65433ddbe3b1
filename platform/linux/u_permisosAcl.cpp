// The Linux back-end: POSIX access lists on the managed-policy folders.
#include <acl/libacl.h>
#include <pwd.h>
#include <sys/acl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/plataforma/u_permisos.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

constexpr const char* kPrefijoSid = "S-1-22-1-";

std::string Causa(int codigo) {
    std::string t = std::strerror(codigo);
    while (!t.empty() && (static_cast<unsigned char>(t.back()) <= 32 || t.back() == '.'))
        t.pop_back();
    return t;
}

std::optional<uid_t> UidDeSid(const std::string& sid) {
    if (sid.empty()) return getuid();
    if (sid.rfind(kPrefijoSid, 0) != 0) return std::nullopt;
    const std::string numero = sid.substr(std::strlen(kPrefijoSid));
    if (numero.empty() || numero.size() > 10 ||
        numero.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const unsigned long long v = std::stoull(numero);
    if (v > 0xFFFFFFFEull) return std::nullopt;
    return static_cast<uid_t>(v);
}

// Gives `uid` read, write and search rights in `acl`, replacing an entry it already had.
bool AnadirUsuario(acl_t* acl, uid_t uid) {
    acl_entry_t entrada = nullptr;
    bool encontrada = false;
    for (int cual = ACL_FIRST_ENTRY; acl_get_entry(*acl, cual, &entrada) == 1;
         cual = ACL_NEXT_ENTRY) {
        acl_tag_t tipo;
        if (acl_get_tag_type(entrada, &tipo) != 0 || tipo != ACL_USER) continue;
        auto* quien = static_cast<uid_t*>(acl_get_qualifier(entrada));
        encontrada = quien && *quien == uid;
        acl_free(quien);
        if (encontrada) break;
    }
    if (!encontrada) {
        if (acl_create_entry(acl, &entrada) != 0 || acl_set_tag_type(entrada, ACL_USER) != 0 ||
            acl_set_qualifier(entrada, &uid) != 0) {
            return false;
        }
    }
    acl_permset_t permisos;
    if (acl_get_permset(entrada, &permisos) != 0) return false;
    acl_clear_perms(permisos);
    acl_add_perm(permisos, ACL_READ);
    acl_add_perm(permisos, ACL_WRITE);
    acl_add_perm(permisos, ACL_EXECUTE);
    return acl_set_permset(entrada, permisos) == 0 && acl_calc_mask(acl) == 0 &&
           acl_valid(*acl) == 0;
}

std::string Conceder(const std::string& carpeta, uid_t uid) {
    std::error_code ec;
    std::filesystem::create_directories(carpeta, ec);
    acl_t acceso = acl_get_file(carpeta.c_str(), ACL_TYPE_ACCESS);
    if (!acceso)
        return "No se pudieron leer los permisos existentes por la siguiente causa: " +
               Causa(errno);
    acl_t heredado = acl_get_file(carpeta.c_str(), ACL_TYPE_DEFAULT);
    if (heredado && acl_entries(heredado) == 0) {
        // No inherited list yet: it starts as the folder's own.
        acl_free(heredado);
        heredado = acl_dup(acceso);
    }
    std::string resultado;
    if (!heredado) {
        resultado =
            "No se pudieron leer los permisos existentes por la siguiente causa: " + Causa(errno);
    } else if (!AnadirUsuario(&acceso, uid) || !AnadirUsuario(&heredado, uid)) {
        resultado = "No se pudo escribir el set de permisos por la siguiente causa: " +
                    Causa(errno ? errno : EINVAL);
    } else if (acl_set_file(carpeta.c_str(), ACL_TYPE_ACCESS, acceso) != 0 ||
               acl_set_file(carpeta.c_str(), ACL_TYPE_DEFAULT, heredado) != 0) {
        resultado = "No se pudieron guardar los permisos por la siguiente causa: " + Causa(errno);
    }
    acl_free(acceso);
    if (heredado) acl_free(heredado);
    return resultado;
}

}  // namespace

std::string SidUsuarioActual() {
    return TextoSid({0, 0, 0, 0, 0, 22}, {1, static_cast<std::uint32_t>(getuid())});
}

Hecho DarPermisosSoftwarePolicies(const std::string& sid) {
    const auto uid = UidDeSid(sid);
    // The grant names one user: these folders hold every user's browser policies.
    if (!uid || !getpwuid(*uid)) {
        return Falla("No se pudo encontrar la cuenta del usuario en el registro");
    }
    for (const auto& carpeta : TodasLasCarpetasPoliticas(RaizPoliticas())) {
        errno = 0;
        const std::string r = Conceder(carpeta, *uid);
        if (!r.empty()) return Falla(r);
    }
    return {};
}

}  // namespace marlevanta
