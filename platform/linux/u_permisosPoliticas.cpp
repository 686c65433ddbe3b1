// The Linux back-end of the permission program's work. Chrome, Chromium and Edge obey every file
// of their managed-policy folders for every user of the machine, so no user is given one any
// more (only an administrator applies the rule there); what is left to do is taking back, as
// root's own and empty, the files that earlier versions handed to users.
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string_view>

#include "platform/linux/u_permisosPoliticas.h"
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

// A word with blanks or quotes is quoted as a shell reads it.
std::string ParaTerminal(const std::string& texto) {
    constexpr std::string_view seguros = "/._-+:=,@%";
    for (const char c : texto) {
        const bool letra =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (letra || seguros.find(c) != std::string_view::npos) continue;
        std::string r = "'";
        for (const char d : texto) {
            if (d == '\'') {
                r += "'\\''";
            } else {
                r += d;
            }
        }
        return r + "'";
    }
    return texto;
}

// The last thing a program said: its lines that are not blank, trimmed and joined.
std::string Dicho(const std::string& error) {
    constexpr std::string_view blancos = " \t\r\v\f";
    std::string r;
    size_t inicio = 0;
    while (inicio <= error.size()) {
        size_t fin = error.find('\n', inicio);
        if (fin == std::string::npos) fin = error.size();
        const std::string_view linea(error.data() + inicio, fin - inicio);
        const size_t a = linea.find_first_not_of(blancos);
        if (a != std::string_view::npos) {
            const size_t b = linea.find_last_not_of(blancos);
            if (!r.empty()) r += ' ';
            r += linea.substr(a, b - a + 1);
        }
        inicio = fin + 1;
    }
    return r;
}

class ElevacionPkexec : public ElevacionPermisos {
public:
    Orden Elevada(const std::string& ayudante, const std::string& sid) const override {
        return {"pkexec", {ayudante, sid}};
    }
    std::string OrdenManual(const std::string& ayudante, const std::string& sid) const override {
        return "sudo " + ParaTerminal(ayudante) + ' ' + ParaTerminal(sid);
    }
    Hecho Desenlace(int codigo, const std::string& error) const override {
        if (codigo == 0) return {};
        const std::string dicho = Dicho(error);
        // pkexec's own answers: 126 the password request was dismissed, 127 it could not ask or
        // was refused. Any other code is the permission program's, told on its standard error.
        switch (codigo) {
            case 126:
                return Falla("Se ha cancelado la petición de la contraseña.");
            case 127:
                return Falla("El sistema no ha dado la autorización" +
                             (dicho.empty() ? std::string() : " (" + dicho + ")") +
                             ". Si no ha aparecido ninguna ventana que pidiera la contraseña, "
                             "falta en el escritorio el programa que la pide (un agente de "
                             "autenticación de polkit).");
            default:
                if (!dicho.empty()) return Falla(dicho);
                return Falla("El programa de permisos ha terminado con el código " +
                             std::to_string(codigo) + ".");
        }
    }
    std::string SinArrancar(const std::string& motivo) const override {
        return "No se ha podido pedir la contraseña de administrador: " + motivo +
               " Compruebe que el paquete pkexec está instalado.";
    }
};

}  // namespace

std::unique_ptr<ElevacionPermisos> CrearElevacionPkexec() {
    return std::make_unique<ElevacionPkexec>();
}

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
