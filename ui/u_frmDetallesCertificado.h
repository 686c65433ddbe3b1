// Everything about one certificate: names, serial number, validity, usages, e-mail,
// fingerprints and whether its private key is there; every value can be selected and copied.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "core/plataforma/u_detallesCertificado.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QToolButton;

namespace marlevanta {

// How the details read in the window.
QString TextoUsosClave(const std::vector<std::string>& usos);
QString TextoUsosExtendidos(const std::vector<std::string>& usos);
// "AB:CD:…" in pairs, as the other tools show serial numbers and fingerprints.
QString EnParejas(const std::string& hex);

class TfrmDetallesCertificado : public QDialog {
    Q_OBJECT

public:
    // `nombre`: the subject's common name, shown while the details are read.
    TfrmDetallesCertificado(QWidget* owner, const QString& nombre);

    // The details once read, or why they could not be.
    void Mostrar(const Resultado<DetallesCertificado>& detalles);

    // The value of the row titled `titulo` as it is copied; empty for an unknown title.
    QString Valor(const QString& titulo) const;
    QLabel* Etiqueta(const QString& titulo) const;
    QToolButton* BotonCopiar(const QString& titulo) const;
    QLabel* lblEstado() const { return lblEstado_; }
    QPushButton* btnCopiarTodo() const { return btnCopiarTodo_; }
    QPushButton* btnCerrar() const { return btnCerrar_; }
    // Every row as "title: value", one a line: what "Copiar todo" copies.
    QString Todo() const;

private:
    struct Fila {
        QString titulo;
        QLabel* valor = nullptr;
        QToolButton* copiar = nullptr;
        QString copia;  // without the line breaks that only help the eye
    };
    void Poner(const QString& titulo, const QString& mostrado, const QString& copia);

    std::vector<Fila> filas_;
    QGridLayout* rejilla_;
    QLabel* lblEstado_;
    QPushButton* btnCopiarTodo_;
    QPushButton* btnCerrar_;
};

}  // namespace marlevanta
