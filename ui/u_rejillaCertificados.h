// The certificate grid: eight columns over the certificate table, its fonts, widths and hidden
// columns, the current row kept in step with the table's, and a notice over an empty grid.
#pragma once

#include <QTableView>
#include <array>

#include "core/u_ajustesVentana.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace marlevanta {

class ModeloCertificados;
class TTablaCertificados;

class RejillaCertificados : public QTableView {
    Q_OBJECT

public:
    RejillaCertificados(TTablaCertificados& tabla, QWidget* parent);

    ModeloCertificados* Modelo() const { return modelo_; }
    // The context menu: alias, details, import (also from Firefox), export, the four orders
    // (tags 0 to 3) and the appearance options.
    QMenu* Menu() const { return menu_; }
    QAction* miEditarAlias = nullptr;
    QAction* miVerDetalles = nullptr;
    QAction* miImportar = nullptr;
    QAction* miImportarFirefox = nullptr;  // only while Firefox has something to bring
    QAction* miExportar = nullptr;
    QAction* miOrden[4] = {};
    QAction* miApariencia = nullptr;

    // Column visibility, font size and the stored widths.
    void AjustarGrid(const AjustesRejilla& ajustes);
    // Every width from the current cell font size.
    void CambiarAnchoColumnasGrid();
    // Cell font n points, titles n + 3; the widths stay as they are.
    void FijarFuenteGrid(int n);
    int TamanoFuente() const { return tamanoFuente_; }
    int TamanoFuenteTitulos() const;
    const std::array<int, kColumnasRejilla>& Anchos() const { return anchos_; }
    std::array<bool, kColumnasRejilla> Ocultas() const;

    // Highlights the ordered column.
    void FijarColumnaResaltada(int columna);
    // Makes the table's current row the grid's, in the column the user was in.
    void SincronizarFilaActual();

    // A sentence in the middle of the grid (loading, an empty store), with the import button
    // when asked; empty hides it.
    void MostrarAviso(const QString& texto, bool conImportar = false);
    QString Aviso() const;
    QPushButton* btnImportar = nullptr;
    // What Firefox holds that the store lacks, told under the import button of an empty grid and
    // offered in the menu; empty offers nothing.
    void OfrecerFirefox(const QString& aviso);
    QPushButton* btnImportarFirefox = nullptr;
    QString AvisoFirefox() const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    TTablaCertificados& tabla_;
    ModeloCertificados* modelo_;
    QWidget* aviso_;
    QLabel* lblAviso_;
    QLabel* lblFirefox_;
    bool conImportar_ = false;
    QMenu* menu_;
    int tamanoFuente_ = 10;
    int columnaActual_ = 0;
    int desplazamiento_ = 0;
    bool sincronizando_ = false;
    bool reiniciado_ = false;
    std::array<int, kColumnasRejilla> anchos_ = kAnchosPorDefecto;
};

}  // namespace marlevanta
