// With a browser profile per certificate, each certificate's browser runs on a profile of its
// own beside the others, and the program stays usable: a second client's certificate can be
// used while the first one's browser is still open.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "core/plataforma/u_comandoNavegador.h"
#include "core/plataforma/u_procesoExterno.h"

namespace marlevanta {

class SegundoPlano;
class TManejadorRegistro;
class TTablaCertificados;

// A certificate profile as the options window lists it.
struct FilaPerfil {
    Navegador navegador = Navegador::Chrome;
    InfoPerfilCertificado info;
    QString certificado;  // its alias or name, or that it is no longer in the store
    bool presente = false;
};
// Every certificate profile of every browser, each matched with its certificate in `tabla`.
std::vector<FilaPerfil> ListaPerfiles(TManejadorRegistro& registro,
                                      const TTablaCertificados& tabla);

// The profile's name in its folder: the first 16 hexadecimal digits of the fingerprint.
std::string IdPerfilCertificado(const QString& huella);

// The browser's command with `carpeta` as its profile folder (the --user-data-dir argument, or
// Firefox's --profile, replaced) and, for the Chromium family, its disk cache capped, so that a
// hundred profiles stay small (Firefox's cap is in the profile's own settings).
ComandoNavegador ComandoConPerfil(Navegador navegador, ComandoNavegador comando,
                                  const std::string& carpeta);

// The disk cache of each certificate's profile, in bytes.
inline constexpr long long kCacheNavegadorPorPerfil = 50LL * 1024 * 1024;

class SesionesPorCertificado : public QObject {
    Q_OBJECT

public:
    struct Entorno {
        TManejadorRegistro* registro = nullptr;
        std::function<Resultado<ComandoNavegador>(Navegador)> comandoNavegador;
        std::shared_ptr<IniciadorProcesos> procesos;
    };

    SesionesPorCertificado(Entorno entorno, SegundoPlano& fondo, QObject* parent = nullptr);

    // Starts the browser on the profile of the certificate with fingerprint `huella` (made on
    // first use with the rule for that certificate), or, when that profile is already open,
    // hands the page to the browser that has it. `nombre` names the profile in the browser;
    // `pagina`, when acceptable, is opened. `listo` hears, on this object's thread, that the
    // browser has been started or why not: for Firefox once a worker has made the profile's copy
    // of the certificate (NSS takes a moment), for the others at once. The browser's end is
    // reported by AbiertosCambiados.
    using Listo = std::function<void(const Hecho&)>;
    void Usar(Navegador navegador, const ReglaCertificado& regla, const QString& huella,
              const QString& nombre, const QString& pagina, Listo listo);
    // Fingerprints (as given to Usar) whose browser, started here, still runs.
    QStringList Abiertos() const;

signals:
    void AbiertosCambiados();

private:
    Hecho Lanzar(Navegador navegador, const QString& huella, const ComandoNavegador& comando,
                 const std::string& carpeta);

    Entorno entorno_;
    SegundoPlano& fondo_;
    std::map<QString, int> abiertos_;
};

}  // namespace marlevanta
