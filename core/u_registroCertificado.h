// One row of the certificate table.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>
#include <string>

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
    // The subject's and issuer's common names as the certificate holds them, for the browser's
    // rule; kept only when the row shows them otherwise (cut, or with characters made visible).
    QByteArray emitido_para_real;
    QByteArray emitido_por_real;
    // The validity to the second, seconds since 1970 UTC (0: unknown), to tell which of two
    // certificates of the same name the browser prefers.
    qint64 inicio_validez = 0;
    qint64 fin_validez = 0;
    // A certificate of the store that could not be decoded: no names, dates or thumbprint, so it
    // can be neither used nor given an alias, but the user must still see that it is there.
    bool ilegible = false;
    QString apodo;  // the store's own name for it, when it has one
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
    ilegible,
};

enum class TipoCampo { Entero, Texto, Fecha };

struct DefinicionCampo {
    Campo campo;
    const char* nombre;
    TipoCampo tipo;
    int ancho;             // characters, for text fields
    const char* etiqueta;  // display label, "" for none
};

const std::array<DefinicionCampo, 12>& CamposCertificado();
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

// Expired from the first moment of its last day: the grid shows the day alone, and a certificate
// shown as valid on a day must stay valid all that day. Without a date it is not known to be.
// A day as the program shows it everywhere: dd/mm/yyyy; empty for no date.
QString FechaCorta(const QDate& dia);
bool Caducado(const QDate& caducidad, const QDateTime& ahora);
bool Caducado(const RegistroCertificado& r, const QDateTime& ahora);
// The earliest expiry day that is not expired at `ahora`.
QDate PrimerDiaVigente(const QDateTime& ahora);

// What the grid shows as the subject: for an unreadable certificate, that it is unreadable.
QString EmitidoParaMostrado(const RegistroCertificado& r);
// Why an unreadable certificate is there and what to do about it; empty for any other.
QString AvisoIlegible(const RegistroCertificado& r);

// "alias - subject" for a row with an alias (trimmed), the subject alone otherwise.
QString DescripcionCertificado(const RegistroCertificado& r);
// The same for the screen: each part isolated, so that neither can reorder the other.
QString DescripcionAislada(const RegistroCertificado& r);

// A certificate's name as text to show: invalid UTF-8 and C1 control characters become U+FFFD,
// C0 control characters and DEL their visible pictures (U+2400..U+2421), and the characters
// that override or embed a writing direction (and line or paragraph separators) U+FFFD, so a
// name can neither hide text nor turn the row around.
QString NombreVisible(const std::string& nombre);
// The text between U+2068 and U+2069: laid out in its own direction, without reordering what
// stands around it.
QString Aislado(const QString& texto);

// The names the browser's rule must carry, byte for byte.
std::string SujetoReal(const RegistroCertificado& r);
std::string EmisorReal(const RegistroCertificado& r);

// At most `ancho` characters, never splitting a character made of two UTF-16 units.
QString Cortar(const QString& texto, int ancho);

}  // namespace marlevanta
