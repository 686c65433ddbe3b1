#include "platform/linux/u_carpetaAyudantes.h"

#include <filesystem>

namespace marlevanta {

std::string CarpetaAyudantes(const std::string& carpetaPrograma, const std::string& relativa) {
    if (carpetaPrograma.empty() || relativa.empty()) return carpetaPrograma;
    std::error_code ec;
    // Resolved, because pkexec matches the permission program's path exactly as the polkit
    // action names it.
    const auto instalada =
        std::filesystem::canonical(std::filesystem::path(carpetaPrograma) / relativa, ec);
    if (ec || !std::filesystem::is_directory(instalada, ec)) return carpetaPrograma;
    return instalada.string();
}

}  // namespace marlevanta
