// One row of the certificate table.
#pragma once

#include <QDate>
#include <QString>
#include <array>

namespace marlevanta {

struct RegistroCertificado {
    qint32 id = 0;
    QString emitido_para;
    QString alias;
    QString emitido_por;
    QDate fecha_emision;    // null when the store gave no readable date
    QDate fecha_caducidad;  // null when the store gave no readable date
    QString propositos;
    QString email;
    QString key_for_alias;
    quint16 proximo_a_caducar = 0;
    qint32 calculated_indice = 0;  // never stored; set by the calc-fields event
};

enum class Campo {
    id,
    emitido_para,
    alias,
    emitido_por,
    fecha_emision,
    fecha_caducidad,
    propositos,
    email,
    key_for_alias,
    proximo_a_caducar,
    calculated_indice,
};

enum class TipoCampo { Entero, Texto, Fecha };

struct DefinicionCampo {
    Campo campo;
    const char* nombre;
    TipoCampo tipo;
    int ancho;             // characters, for text fields
    const char* etiqueta;  // display label, "" for none
};

const std::array<DefinicionCampo, 11>& CamposCertificado();
const DefinicionCampo* BuscarCampo(const QString& nombre);  // case-insensitive; nullptr if none

// The text fields that the filter and the indexes compare, in their folded form.
enum CampoTexto {
    kEmitidoPara,
    kAlias,
    kEmitidoPor,
    kPropositos,
    kEmail,
    kKeyForAlias,
    kNumTextos
};
int IndiceTexto(Campo campo);  // -1 for fields that are not text
const QString& Texto(const RegistroCertificado& r, Campo campo);
QString& Texto(RegistroCertificado& r, Campo campo);

// Letter case and diacritics removed, so "ÁLVAREZ MUÑOZ" and "alvarez munoz" compare equal.
QString Plegar(const QString& texto);

// "alias - subject" for a row with an alias (trimmed), the subject alone otherwise.
QString DescripcionCertificado(const RegistroCertificado& r);

// At most `ancho` characters, never splitting a character made of two UTF-16 units.
QString Cortar(const QString& texto, int ancho);

}  // namespace marlevanta
