#pragma once

#include <QStringList>

#include "core/u_tablaCertificados.h"

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace prueba {

struct Fila {
    QString emitidoPara;
    QString alias;
    QString email;
    QDate caducidad;
    QString propositos = QStringLiteral("clientAuth,emailProtection");
    quint16 proximo = 0;
};

inline void Agregar(marlevanta::TTablaCertificados& t, const Fila& f) {
    t.Append();
    auto& r = t.Buffer();
    r.id = t.TotalFilas();
    r.emitido_para = f.emitidoPara;
    r.alias = f.alias;
    r.email = f.email;
    r.fecha_caducidad = f.caducidad;
    r.propositos = f.propositos;
    r.proximo_a_caducar = f.proximo;
    r.key_for_alias = QStringLiteral("K%1").arg(r.id);
    t.Post();
}

// The subjects of the rows in view, in view order.
inline QStringList Vista(const marlevanta::TTablaCertificados& t) {
    QStringList r;
    for (int i = 0; i < t.RecordCount(); ++i) r << t.Fila(i).emitido_para;
    return r;
}

}  // namespace prueba
