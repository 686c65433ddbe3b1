// The program's start-up, without the window: what must happen before the window shows (the
// updater's file swap, missing settings, browser rules left by a run that did not end), and the
// version check that follows once it is shown, on a worker.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace marlevanta {

class SegundoPlano;
class TManejadorApi;
class TManejadorRegistro;

// True when an argument reads "/demo" after trimming blanks and lowering its letters.
bool ArgumentosPidenDemo(const QStringList& argumentos);

struct EstadoVersion {
    enum Estado { Actualizado, Disponible, SinComprobar } estado = SinComprobar;
    int numero = 0;
    QString cambios;
    QString motivo;          // why the check failed
    bool preguntar = false;  // the user wants the update offered at once
};

class Arranque : public QObject {
    Q_OBJECT

public:
    Arranque(TManejadorRegistro& registro, TManejadorApi& api, SegundoPlano& fondo,
             QString carpetaPrograma, int versionPropia, QObject* parent = nullptr);

    // Every step runs whatever the others did; gives the messages the user must see: first what
    // became of an update cut short, why the last update could not be installed and the updater
    // files that could not be swapped, then any other failure.
    struct Avisos {
        QStringList errores;  // each shown as an error message of its own
        QStringList general;  // shown by the general error box
        // The settings file as a whole: when it cannot be read or written the user has been told
        // once, in `general`, and nothing more is said about it.
        bool ajustesLegibles = true;
        bool ajustesEscribibles = true;
    };
    Avisos AntesDeMostrar();

    // The host question and the version question; VersionComprobada follows. Called once the
    // window is on screen, it also confirms that an update just installed has started.
    void ComprobarVersion();

signals:
    void VersionComprobada(const EstadoVersion& estado);

private:
    TManejadorRegistro& registro_;
    TManejadorApi& api_;
    SegundoPlano& fondo_;
    QString carpetaPrograma_;
    int versionPropia_;
    // The last update failed: the user is not asked at once again, which would only repeat it.
    bool actualizacionFallida_ = false;
    bool confirmada_ = false;
};

}  // namespace marlevanta
