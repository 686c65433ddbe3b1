// Filter expressions over the certificate table, e.g.
//   (emitido_para like '%ana%' or email like '%ana%') and fecha_caducidad >= '07/03/2023'
// Field names and keywords ignore case; text comparisons ignore case and diacritics; '' inside
// a literal is one quote; "%" in a like pattern matches any run of characters.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/plataforma/u_resultado.h"
#include "core/u_registroCertificado.h"

namespace marlevanta {

// What the filter reads of every row of a table, laid out to evaluate all rows at once: each text
// field's folded values in UTF-8, each distinct value once and all of them one after another, so
// that a search runs through memory in order, a value shared by many rows (the issuer, the
// usages) is compared once, and a row costs no allocation of its own.
class IndiceFiltro {
public:
    IndiceFiltro() = default;
    explicit IndiceFiltro(const std::vector<RegistroCertificado>& filas);
    IndiceFiltro(size_t filas, const std::function<const RegistroCertificado&(size_t)>& fila);

    size_t Filas() const { return datos_.size(); }
    // The row's values again after an edit; the old value stays unused in the column.
    void Cambiar(size_t fila, const RegistroCertificado& r);
    // The rows of `despues` after these, as one index of both.
    void Anadir(const IndiceFiltro& despues);

    struct Columna {
        std::string textos;
        std::vector<quint32> inicios{0};  // where each value starts, and where the last ends
        std::vector<quint32> valorDeFila;
        quint32 Valores() const { return static_cast<quint32>(inicios.size() - 1); }
        std::string_view Valor(quint32 v) const {
            return std::string_view(textos).substr(inicios[v], inicios[v + 1] - inicios[v]);
        }
        quint32 Anadir(std::string_view texto);
    };
    struct Datos {
        QDate emision;
        QDate caducidad;
        qint32 id = 0;
        quint16 proximo = 0;
        bool ilegible = false;
    };
    const Columna& Textos(int campo) const { return columnas_[static_cast<size_t>(campo)]; }
    const Datos& Fila(size_t fila) const { return datos_[fila]; }

private:
    std::array<Columna, kNumTextos> columnas_;
    std::vector<Datos> datos_;
};

class ExpresionFiltro {
public:
    ExpresionFiltro();
    ~ExpresionFiltro();
    ExpresionFiltro(ExpresionFiltro&&) noexcept;
    ExpresionFiltro& operator=(ExpresionFiltro&&) noexcept;

    // The failure gives the position and the reason. An empty text selects every row.
    static Resultado<ExpresionFiltro> Compilar(const QString& texto);

    bool Vacia() const { return !raiz_; }
    // One row, its texts folded on the way: the plain reading of the expression.
    bool Evaluar(const RegistroCertificado& r) const;
    // Every row of the index at once: on entry `pasa` marks (1) the rows to look at, one mark a
    // row; on return only those that pass.
    void Seleccionar(const IndiceFiltro& indice, std::vector<char>& pasa) const;
    // True when every row this expression selects is selected by `anterior` too, so that its
    // rows can be sought among the ones `anterior` passed: the same expression with a like
    // pattern made narrower (typing on at the end of the search box), never inside a "not".
    bool MasEstrechaQue(const ExpresionFiltro& anterior) const;

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
