// The certificates the user keeps in Firefox's profiles and the user's store lacks: which
// profiles hold them, and copying one profile's into the store. Both run on a worker; the
// profile is only read.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/plataforma/u_certificadosFirefox.h"

namespace marlevanta {

class SegundoPlano;

struct PerfilParaImportar {
    PerfilFirefox perfil;
    std::vector<std::string> faltan;  // SHA-256 of those with a key that the store lacks
    bool conContrasena = false;       // Firefox's primary password is needed to copy them
};

// The profiles worth offering, in the order found; one that cannot be read is left out, as
// there is nothing the user could copy from it.
std::vector<PerfilParaImportar> PerfilesParaImportar(CertificadosFirefox& firefox);

// The sentence that tells the user there is something to bring from Firefox; empty when not.
QString AvisoFirefox(const std::vector<PerfilParaImportar>& perfiles);
// The desktop notice of that finding, or "" when none is due: the empty list shows it already,
// and the same finding is told once (`yaDado` keeps the last one told).
QString AvisoFirefoxEscritorio(const std::vector<PerfilParaImportar>& perfiles, bool listaVacia,
                               QString& yaDado);
// How a profile is named in the choice: name, installation and what it would bring.
QString DescripcionPerfil(const PerfilParaImportar& p);

struct FinImportacionFirefox {
    std::optional<std::string> huella;  // SHA-1 of the first certificate copied, to select
    int copiados = 0;                   // written to the store now
    QString error;                      // why nothing was copied
};

class ImportacionFirefox : public QObject {
    Q_OBJECT

public:
    using Fabrica = std::function<std::unique_ptr<CertificadosFirefox>()>;
    // `fabrica` empty: this system has nothing to import from.
    ImportacionFirefox(Fabrica fabrica, SegundoPlano& fondo, QObject* parent = nullptr);

    // Looks for the profiles again; Encontrados follows.
    void Buscar();
    bool Buscando() const { return buscando_; }
    const std::vector<PerfilParaImportar>& Perfiles() const { return perfiles_; }

    // Copies what the profile `Perfiles()[indice]` holds and the store lacks, with its primary
    // password ("" for none): ContrasenaIncorrecta or Terminada follows.
    void Importar(size_t indice, const QString& contrasena);
    bool Importando() const { return importando_; }
    // Once Terminada: what came of the copy.
    const FinImportacionFirefox& Fin() const { return fin_; }

signals:
    void Encontrados();
    // Nothing was copied; the same profile can be tried again with another password.
    void ContrasenaIncorrecta(const QString& aviso);
    void Terminada();

private:
    void Copiado(Resultado<std::vector<CertificadoImportado>> r);
    void Terminar(QString error);

    Fabrica fabrica_;
    SegundoPlano& fondo_;
    bool buscando_ = false;
    bool importando_ = false;
    std::vector<PerfilParaImportar> perfiles_;
    FinImportacionFirefox fin_;
};

}  // namespace marlevanta
