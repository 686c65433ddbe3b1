// "Exportar lista…": the grid's rows, as it shows them now, into a CSV or iCalendar file.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace marlevanta {

class RejillaCertificados;
class SegundoPlano;
class TManejadorRegistro;
class TTablaCertificados;
class TmanejadorFuncionesComunes;

// The rows in the grid's order and filter, its visible columns with their titles. `elegir` gives
// the file (a save dialog when empty, which asks before replacing a file); the file is written
void ExportarLista(QWidget* dueno, RejillaCertificados& rejilla, TTablaCertificados& tabla,
                   TManejadorRegistro& registro, SegundoPlano& fondo,
                   TmanejadorFuncionesComunes& comunes,
                   const std::function<QString(QWidget*)>& elegir);

}  // namespace marlevanta
