// The grid's view of the certificate table: eight columns in fixed positions, row colours and
// the highlight of the ordered column.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QDateTime>

#include "core/u_ajustesVentana.h"
#include "core/u_tablaCertificados.h"

namespace marlevanta {

inline constexpr int kColumnasGrid = kColumnasRejilla;
// The row's red or blue as the design has it, before any adjustment to a background; nothing
// for a row in the grid's own colour.
inline constexpr int kRolColorEstado = Qt::UserRole + 1;
// Ordinary text must stand out at least this much from its background.
inline constexpr double kContrasteTexto = 4.5;

class ModeloCertificados : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ModeloCertificados(TTablaCertificados& tabla, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void FijarColumnaResaltada(int columna);
    int ColumnaResaltada() const { return resaltada_; }
    // The current row is marked in the row header.
    void FijarFilaActual(int fila);

    static const QColor kRojo;
    static const QColor kAzul;

private:
    QColor Fondo(const QPalette& paleta, int columna) const;
    QVariant ColorEstado(int fila) const;
    const QDateTime& Ahora() const;

    TTablaCertificados& tabla_;
    int resaltada_ = 0;
    int actual_ = -1;
    mutable QDateTime ahora_;
    mutable qint64 ahoraMs_ = -1;
};

}  // namespace marlevanta
