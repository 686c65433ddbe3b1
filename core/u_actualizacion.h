// One update of the program: the check for a newer version, the download of the package with its
// progress, and the hand-over to the external updater, after which the program ends. The slow
// steps run on a worker; their outcome comes back as signals on the owner's thread.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "core/plataforma/u_firma.h"
#include "core/plataforma/u_procesoExterno.h"
#include "core/u_manejadorApi.h"

namespace marlevanta {

class SegundoPlano;

struct FinDescarga {
    // SinPaquete: the web API gave no package address (nothing to tell the user).
    enum Estado { Completa, Cancelada, Error, SinPaquete } estado = Error;
    QString error;  // the text to show after "Error: "
};

// What the check for a newer version leads to, and the text the user reads of it.
struct DecisionVersion {
    // Cancelada: the user stopped the check (nothing to tell). Error: `texto` goes in the
    // window's status line. AlDia: `texto` is the notice. Nueva: `texto` asks whether to update.
    enum Paso { Cancelada, Error, AlDia, Nueva } paso = Error;
    QString texto;
};

// The decision for the answer `version` of the check, for a program of version `propia`;
// `cancelada`: the user stopped the check.
DecisionVersion DecidirVersion(const Resultado<InfoVersion>& version, int propia, bool cancelada);

class Actualizacion : public QObject {
    Q_OBJECT

public:
    struct Entorno {
        TManejadorApi api;
        std::shared_ptr<IniciadorProcesos> procesos;
        QString carpetaPrograma;  // where the external updater is, and what it updates
        QString rutaPrograma;
        int versionPropia = 0;
        // Ends the program after a successful hand-over, without the close question.
        std::function<void()> solicitarFin;
        // Checks the downloaded package against its signature; nothing is handed over without.
        ComprobadorFirma comprobarFirma;
    };

    Actualizacion(Entorno entorno, SegundoPlano& fondo, QObject* parent = nullptr);
    ~Actualizacion() override;

    int VersionPropia() const { return entorno_.versionPropia; }
    const QString& CarpetaPrograma() const { return entorno_.carpetaPrograma; }

    // Asks for the newest version: Comprobada follows.
    void Comprobar();
    // What the answer that Comprobada brought leads to.
    DecisionVersion Decidir(const Resultado<InfoVersion>& version) const;
    // Asks for the package and downloads it into the user's private folder with its signature,
    // which must be the maker's for the version that Comprobar found: Progreso while it runs,
    // then Descargada.
    void Descargar();
    // Stops the question or the download under way: Comprobada or Descargada follows.
    void Cancelar();
    bool Descargando() const { return descargando_; }
    // The downloaded package, for the hand-over.
    const QString& Paquete() const { return paquete_; }

    // Starts the external updater with the package and asks the program to end. The failure
    // reads "No se puede ejecutar el programa actualizador." and the program goes on.
    Hecho Traspasar();

signals:
    void Comprobada(const Resultado<InfoVersion>& version);
    void Progreso(qint64 recibidos, qint64 total);
    void Descargada(const FinDescarga& fin);

private:
    Entorno entorno_;
    SegundoPlano& fondo_;
    std::shared_ptr<std::atomic<bool>> cancelar_;
    bool descargando_ = false;
    int versionOfrecida_ = 0;  // what the last check found; 0 before one
    QString paquete_;
    QString clave_;
};

// The text that a failed download shows after "Error: ".
QString TextoErrorDescarga(const QString& fallo);

// Whether this copy of the program may replace its own files with an update package. It may not
// when the build leaves updates to the system's package manager, when its helpers are not beside
// it (an installed layout, which update packages know nothing of), or when the user cannot write
// in its folder. The failure is what the user is told instead; `version` (0 when not known) names
// the version that is waiting.
Hecho ActualizacionPropia(const QString& carpetaPrograma, const QString& carpetaAyudantes,
                          int version);

}  // namespace marlevanta
