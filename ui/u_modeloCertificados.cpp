#include "ui/u_modeloCertificados.h"

#include <QGuiApplication>
#include <QPalette>

#include "ui/u_colores.h"

namespace marlevanta {

const QColor ModeloCertificados::kRojo(255, 0, 0);
const QColor ModeloCertificados::kAzul(0, 0, 255);

QColor ModeloCertificados::Fondo(const QPalette& paleta, int columna) const {
    return paleta.color(columna == resaltada_ ? QPalette::ToolTipBase : QPalette::Base);
}

QVariant ModeloCertificados::ColorEstado(int fila) const {
    const RegistroCertificado& r = tabla_.Mostrada(fila);
    // Red is what cannot be used: expired, or not even readable.
    if (r.ilegible || Caducado(r, Ahora())) return kRojo;
    if (r.proximo_a_caducar == 1) return kAzul;
    return {};
}

const QDateTime& ModeloCertificados::Ahora() const {
    // The local time costs a look at the time zone (a system call) and every painted cell asks
    // for it twice: it is taken again once a second.
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    if (ms < ahoraMs_ || ms - ahoraMs_ >= 1000) {
        ahora_ = QDateTime::currentDateTime();
        ahoraMs_ = ms;
    }
    return ahora_;
}

namespace {

const char* kTitulos[kColumnasGrid] = {
    "Nº",    "Emitido para", "Alias",        "Válido hasta",
    "Email", "Emitido por",  "Válido desde", "Propósitos planteados"};

}  // namespace

ModeloCertificados::ModeloCertificados(TTablaCertificados& tabla, QObject* parent)
    : QAbstractTableModel(parent), tabla_(tabla) {
    connect(&tabla_, &TTablaCertificados::VistaCambiada, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int ModeloCertificados::rowCount(const QModelIndex& parent) const {
    // What the grid shows: a filter still waiting is applied by the table, which resets the model.
    return parent.isValid() ? 0 : tabla_.FilasMostradas();
}

int ModeloCertificados::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnasGrid;
}

QVariant ModeloCertificados::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= tabla_.FilasMostradas()) return {};
    const int c = index.column();
    switch (role) {
        case Qt::DisplayRole: {
            const RegistroCertificado& r = tabla_.Mostrada(index.row());
            switch (c) {
                case 0:
                    return QString::number(tabla_.ConCalculados(r).calculated_indice);
                // Names come from outside: each laid out in its own direction.
                case 1:
                    return Aislado(EmitidoParaMostrado(r));
                case 2:
                    return Aislado(r.alias);
                case 3:
                    return FechaCorta(r.fecha_caducidad);
                case 4:
                    return r.email;
                case 5:
                    return Aislado(r.emitido_por);
                case 6:
                    return FechaCorta(r.fecha_emision);
                default:
                    return r.propositos;
            }
        }
        case Qt::ForegroundRole: {
            const QPalette paleta = QGuiApplication::palette();
            const QColor fondo = Fondo(paleta, c);
            const QVariant estado = ColorEstado(index.row());
            if (estado.isValid()) return Legible(estado.value<QColor>(), fondo);
            // The ordered column's tint: its own text colour where the grid's is not readable.
            if (c == resaltada_ &&
                Contraste(paleta.color(QPalette::Text), fondo) < kContrasteTexto) {
                return Legible(paleta.color(QPalette::ToolTipText), fondo, kContrasteTexto);
            }
            return {};
        }
        case Qt::ToolTipRole: {
            const QString aviso = AvisoIlegible(tabla_.Mostrada(index.row()));
            return aviso.isEmpty() ? QVariant() : QVariant(aviso);
        }
        case kRolColorEstado:
            return ColorEstado(index.row());
        case Qt::BackgroundRole:
            return Fondo(QGuiApplication::palette(), c);
        case Qt::TextAlignmentRole:
            return (c == 0 || c == 3 || c == 6) ? int(Qt::AlignCenter)
                                                : int(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant ModeloCertificados::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < kColumnasGrid) {
            return QString::fromUtf8(kTitulos[section]);
        }
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
        return {};
    }
    if (role == Qt::DisplayRole) return section == actual_ ? QStringLiteral("▶") : QString();
    return {};
}

void ModeloCertificados::FijarColumnaResaltada(int columna) {
    resaltada_ = columna;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnasGrid - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

void ModeloCertificados::FijarFilaActual(int fila) {
    const int antes = actual_;
    actual_ = fila;
    if (antes >= 0 && antes < rowCount()) emit headerDataChanged(Qt::Vertical, antes, antes);
    if (fila >= 0 && fila < rowCount()) emit headerDataChanged(Qt::Vertical, fila, fila);
}

}  // namespace marlevanta
