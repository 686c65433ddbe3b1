// Filter expressions over the certificate table, e.g.
//   (emitido_para like '%ana%' or email like '%ana%') and fecha_caducidad >= '07/03/2023'
// Field names and keywords ignore case; text comparisons ignore case and diacritics; '' inside
// a literal is one quote; "%" in a like pattern matches any run of characters.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>
#include <memory>

#include "core/plataforma/u_resultado.h"
#include "core/u_registroCertificado.h"

namespace marlevanta {

using TextosPlegados = std::array<QString, kNumTextos>;

class ExpresionFiltro {
public:
    ExpresionFiltro();
    ~ExpresionFiltro();
    ExpresionFiltro(ExpresionFiltro&&) noexcept;
    ExpresionFiltro& operator=(ExpresionFiltro&&) noexcept;

    // The failure gives the position and the reason. An empty text selects every row.
    static Resultado<ExpresionFiltro> Compilar(const QString& texto);

    bool Vacia() const { return !raiz_; }
    bool Evaluar(const RegistroCertificado& r, const TextosPlegados& plegados) const;

    struct Nodo;

private:
    std::unique_ptr<Nodo> raiz_;
};

// "dd/mm/yyyy" (day and month may have one digit); null when it is not a valid date.
QDate LeerFechaFiltro(const QString& texto);

// The table's filter for the state of the search box and the three switches, at `ahora`.
struct EstadoFiltro {
    bool filtrado = false;
    QString expresion;
};
EstadoFiltro ConstruirFiltro(const QString& busqueda, bool soloProximos, bool ocultarCaducados,
                             bool soloCliente, const QDateTime& ahora);

}  // namespace marlevanta
