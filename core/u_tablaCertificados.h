// The in-memory certificate table: rows in load order, four indexes, a filter, a current row.
// Free of widgets; the grid presents it through a model.
// A filter set with ProgramarFiltro is applied once the event loop runs again, so that keys
// typed while a slow filter runs cost one filter, not one each; anything that reads or changes
// the view applies it first, except the "Mostrad..." readers and the moves of the current row,
// which act on the view as the grid shows it.
#pragma once

#include <QCollatorSortKey>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "core/u_expresionFiltro.h"
#include "core/u_registroCertificado.h"

namespace marlevanta {

inline constexpr const char* kIndiceInIndice = "cdsCertificadosInIndice";
inline constexpr const char* kIndiceInEmitidoPara = "cdsCertificadosInEmitidoPara";
inline constexpr const char* kIndiceInFechaCaducidad = "cdsCertificadosInFechaCaducidad";
inline constexpr const char* kIndiceInAlias = "cdsCertificadosInAlias";

class TTablaCertificados : public QObject {
    Q_OBJECT

    struct FilaInterna {
        RegistroCertificado r;
        std::optional<QCollatorSortKey> claveEmitidoPara;
        std::optional<QCollatorSortKey> claveAlias;
    };

public:
    // Rows made ready for the table on any thread (the slow part of a load: folded texts and
    // sort keys), then handed over at once with Reemplazar.
    class FilasPreparadas {
        friend class TTablaCertificados;
        std::vector<FilaInterna> filas_;
        IndiceFiltro indice_;

    public:
        int Cuantas() const { return static_cast<int>(filas_.size()); }
    };
    static FilasPreparadas Preparar(std::vector<RegistroCertificado> filas);

    explicit TTablaCertificados(QObject* parent = nullptr);
    ~TTablaCertificados() override;

    // Sets calculated_indice on a row that is being read.
    std::function<void(RegistroCertificado&)> OnCalcFields;

    void Open() { activa_ = true; }
    void Close();
    bool Active() const { return activa_; }
    // All rows at once, with the first row current; the active index and the filter stay.
    void Reemplazar(FilasPreparadas filas);
    // More rows after those loaded (a later part of the same load), in the active order and
    // through the filter; the current row stays.
    void Anadir(FilasPreparadas filas);

    // Edit, change Buffer(), then Post (or Cancel).
    void Edit();
    RegistroCertificado& Buffer();
    void Post();
    void Cancel();
    // The alias of the certificate with fingerprint `huella`, wherever its row is now (a reload
    // may have moved or dropped it); that row becomes current. False when it is not loaded.
    bool CambiarAlias(const QString& huella, const QString& alias);
    bool Editando() const { return edicion_ != Edicion::Ninguna; }

    void First();
    void Last();
    void Next();
    int RecNo() const {  // 1-based position in the view, 0 when empty
        Asentar();
        return actual_ + 1;
    }
    void SetRecNo(int recNo);
    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    // The view as the grid shows it, without applying a filter still waiting.
    int FilasMostradas() const { return static_cast<int>(vista_.size()); }
    const RegistroCertificado& Mostrada(int posicion) const {
        return filas_[static_cast<size_t>(vista_[static_cast<size_t>(posicion)])].r;
    }
    int PosicionMostrada() const { return actual_; }  // 0-based, -1 when empty
    RegistroCertificado ConCalculados(const RegistroCertificado& r) const;
    int TotalFilas() const { return static_cast<int>(filas_.size()); }
    // A row by its place in the load, whatever the filter: 0 <= fila < TotalFilas().
    const RegistroCertificado& FilaCargada(int fila) const {
        return filas_[static_cast<size_t>(fila)].r;
    }

    // The current row and any row of the view, with their calculated fields.
    RegistroCertificado Actual() const;
    RegistroCertificado Fila(int posicion) const;

    QString IndexName() const { return indice_; }
    Hecho SetIndexName(const QString& nombre);  // fails for an unknown name

    bool Filtered() const {
        Asentar();
        return filtrado_;
    }
    void SetFiltered(bool filtrado);
    QString Filter() const {
        Asentar();
        return filtro_;
    }
    // Fails for an expression it cannot read, keeping the filter it had.
    Hecho SetFilter(const QString& expresion);
    // The switch and the expression together, applied when the event loop runs again (or at the
    // first read of the view); a later one replaces one still waiting. An expression it cannot
    // read fails at once and changes nothing.
    Hecho ProgramarFiltro(bool filtrado, const QString& expresion);

signals:
    void AfterScroll();
    // The rows of the view, or their order, changed.
    void VistaCambiada();

private:
    enum class Edicion { Ninguna, Cambio };

    // Texts cut to their field's width, names kept only where they differ.
    static void Recortar(RegistroCertificado& r);
    // The sort keys.
    static void PrepararFila(FilaInterna& f);
    // Calls `usar` with how the index `indice` orders two rows; not at all for the load's order.
    template <class F>
    void ConComparador(const QString& indice, F&& usar) const;
    const std::vector<int>& Orden() const;
    void DatosCambiados();
    void ReconstruirVista(int filaPreferida);
    void IrA(int posicion);
    void Scroll();
    void Asentar() const;
    void AplicarPendiente();
    void CambiarFiltro(bool filtrado, QString texto, ExpresionFiltro expresion);

    bool activa_ = false;
    std::vector<FilaInterna> filas_;
    IndiceFiltro indiceFiltro_;
    // Rows in the order of each index used since the data last changed, so that switching
    // between orders does not sort again.
    mutable std::map<QString, std::vector<int>> ordenes_;
    // Which rows pass the filter expression, by row, until the rows or the expression change.
    std::vector<char> pasa_;
    bool pasaValido_ = false;
    // The new expression selects no row that pasa_ left out: only those are evaluated again.
    bool estrechar_ = false;
    struct Pendiente {
        bool filtrado;
        QString texto;
        ExpresionFiltro expresion;
    };
    std::optional<Pendiente> pendiente_;
    QTimer temporizador_;
    std::vector<int> vista_;  // rows that pass the filter, in order
    int actual_ = -1;         // position in vista_
    QString indice_ = QLatin1String(kIndiceInIndice);
    bool filtrado_ = false;
    QString filtro_;
    ExpresionFiltro expresion_;
    Edicion edicion_ = Edicion::Ninguna;
    RegistroCertificado buffer_;
    int filaEditada_ = -1;
};

}  // namespace marlevanta
