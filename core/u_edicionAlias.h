// Editing the alias and the start page of one certificate. The certificate is named by its
// fingerprint, never by "the current row": while the user types, a reload may replace the rows.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

class TManejadorRegistro;
class TTablaCertificados;

class EdicionAlias {
public:
    EdicionAlias(TManejadorRegistro& registro, TTablaCertificados& tabla)
        : registro_(registro), tabla_(tabla) {}

    struct Inicial {
        QString huella;
        QString alias;
        // Nothing when the stored page could not be read: it is then kept unless another is typed.
        std::optional<QString> pagina;
    };
    // What the dialog starts from; fails for a row without a fingerprint.
    Resultado<Inicial> Empezar(const QString& huella, const QString& alias) const;
    // Stores what the user confirmed and shows the alias on that certificate's row, if it is still
    // loaded. The page is written only when it changed. Each failure is told, with where the
    // settings are kept; the alias is tried even when the page failed.
    [[nodiscard]] Hecho Guardar(const Inicial& inicial, const QString& alias,
                                const QString& pagina);

private:
    TManejadorRegistro& registro_;
    TTablaCertificados& tabla_;
};

}  // namespace marlevanta
