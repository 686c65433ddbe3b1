// The opening of the help: whether it may open in this run, from which module, and the addresses
// of its pages once the web API has said where they are.
#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "core/u_manejadorApi.h"

namespace marlevanta {

class SegundoPlano;
class TManejadorRegistro;

class AperturaAyuda : public QObject {
    Q_OBJECT

public:
    struct Entorno {
        bool administrador = false;  // the program runs as root
        std::string carpetaAyudantes;
        std::string nombreModuloAyuda;  // the help module's file name there
        TManejadorApi api;
        TManejadorRegistro* registro = nullptr;  // the stored addresses
    };

    AperturaAyuda(Entorno entorno, SegundoPlano& fondo, QObject* parent = nullptr);

    // Whether the help may open; the failure is what the user is told instead.
    Hecho Permitida() const;
    // The help module to load; "" when its folder or its name is not known.
    QString RutaModulo() const;
    // Asks the web API where the pages are, on a worker: Direcciones follows, with the stored
    // addresses when the API does not answer.
    void PedirDirecciones();

signals:
    void Direcciones(const QString& uso, const QString& trucos);

private:
    Entorno entorno_;
    SegundoPlano& fondo_;
};

}  // namespace marlevanta
