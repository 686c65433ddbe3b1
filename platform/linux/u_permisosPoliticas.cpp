// The Linux back-end of the permission program's work. Chrome, Chromium and Edge obey every file
// of their managed-policy folders for every user of the machine, so no user is given one any
// more (only an administrator applies the rule there); what is left to do is taking back, as
// root's own and empty, the files that earlier versions handed to users.
#include <unistd.h>

#include <cstring>
#include <optional>

#include "core/plataforma/u_permisos.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

constexpr const char* kPrefijoSid = "S-1-22-1-";

std::optional<uid_t> Numero(const std::string& texto) {
    if (texto.empty() || texto.size() > 10 ||
        texto.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const unsigned long long v = std::stoull(texto);
    if (v > 0xFFFFFFFEull) return std::nullopt;
    return static_cast<uid_t>(v);
}

std::optional<uid_t> UidDeSid(const std::string& sid) {
    if (sid.rfind(kPrefijoSid, 0) != 0) return std::nullopt;
    return Numero(sid.substr(std::strlen(kPrefijoSid)));
}

}  // namespace

std::string SidUsuarioActual() {
    return TextoSid({0, 0, 0, 0, 0, 22}, {1, static_cast<std::uint32_t>(getuid())});
}

Hecho DarPermisosSoftwarePolicies(const std::string& sid) {
    // Whoever it is asked for: what is done is the same for every user, and gives nobody
    // anything.
    if (!sid.empty() && !UidDeSid(sid)) {
        return Falla("\"" + sid + "\" no es el identificador de un usuario de este equipo");
    }
    if (geteuid() != 0) {
        return Falla("Solo un administrador puede hacerlo: ejecútelo con sudo o pkexec");
    }
    return RecuperarPoliticasDeUsuarios(RaizPoliticas());
}

}  // namespace marlevanta
