// The desktop notice of certificates that expire soon: at most one a day, each expired
// certificate named once, and a click that leads to the list of those about to expire.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "core/u_listaCaducidad.h"

namespace marlevanta {

class AvisosEscritorio;
class TManejadorRegistro;

// What earlier notices told, kept in the settings so that other copies and the session's
// start-up check know it too.
struct EstadoAvisos {
    QDate ultimoDia;                // the day of the last notice shown
    QStringList caducadosAvisados;  // SHA-1 of the expired certificates already named
};

struct TextoAviso {
    QString titulo;
    QString texto;
};

struct DecisionAviso {
    std::optional<TextoAviso> aviso;
    EstadoAvisos estado;  // to keep once the notice has been shown
};

// `lista`: the certificates within `dias` days, the expired ones included (dias <= 0), nearest
// first. No notice when one was shown `hoy` already, or when nothing is about to expire and no
// expired certificate is new to the notices.
DecisionAviso DecidirAviso(const std::vector<CertificadoPorCaducar>& lista, int dias,
                           const QDate& hoy, const EstadoAvisos& antes);

class AvisoCaducidad : public QObject {
    Q_OBJECT

public:
    // The certificates within a number of days from a moment, the expired ones included.
    using Fuente = std::function<std::vector<CertificadoPorCaducar>(const QDateTime&, int dias)>;
    // `conClic`: the notice offers to show the list (nobody to show it when the run ends after
    // the notice).
    AvisoCaducidad(TManejadorRegistro& registro, AvisosEscritorio& avisos, Fuente fuente,
                   bool conClic, QObject* parent = nullptr);

    // Checks now and then every hour while the object lives, so that a day's notice comes on
    // that day even when the program stays open for weeks.
    void Empezar();
    // Checks once; Terminado follows, whether a notice was shown or not.
    void Comprobar(const QDateTime& ahora);

signals:
    void Pulsado();
    // `mostrado`: a notice reached the desktop; `error`: why one that was due did not.
    void Terminado(bool mostrado, const QString& error);

private:
    TManejadorRegistro& registro_;
    AvisosEscritorio& avisos_;
    Fuente fuente_;
    bool conClic_;
    bool enCurso_ = false;
    QTimer reloj_;
};

}  // namespace marlevanta
