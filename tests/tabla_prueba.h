#pragma once

#include <QStringList>

#include "core/u_tablaCertificados.h"

#include <ostream>
#include <vector>

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

inline marlevanta::RegistroCertificado Registro(const Fila& f, int id) {
    marlevanta::RegistroCertificado r;
    r.id = id;
    r.emitido_para = f.emitidoPara;
    r.alias = f.alias;
    r.email = f.email;
    r.fecha_caducidad = f.caducidad;
    r.propositos = f.propositos;
    r.proximo_a_caducar = f.proximo;
    r.key_for_alias = QStringLiteral("K%1").arg(id);
    return r;
}

// The rows as a load hands them to the table, in this order.
inline void Llenar(marlevanta::TTablaCertificados& t, const std::vector<Fila>& filas) {
    std::vector<marlevanta::RegistroCertificado> r;
    for (const Fila& f : filas) r.push_back(Registro(f, static_cast<int>(r.size())));
    t.Reemplazar(marlevanta::TTablaCertificados::Preparar(std::move(r)));
}

// The subjects of the rows in view, in view order.
inline QStringList Vista(const marlevanta::TTablaCertificados& t) {
    QStringList r;
    for (int i = 0; i < t.RecordCount(); ++i) r << t.Fila(i).emitido_para;
    return r;
}

}  // namespace prueba
