#include "core/u_registroCertificado.h"

#include "core/plataforma/u_almacenPoliticas.h"

namespace marlevanta {

const std::array<DefinicionCampo, 12>& CamposCertificado() {
    static const std::array<DefinicionCampo, 12> campos = {{
        {Campo::id, "id", TipoCampo::Entero, 0, "Índice"},
        {Campo::emitido_para, "emitido_para", TipoCampo::Texto, 250, "Emitido para"},
        {Campo::alias, "alias", TipoCampo::Texto, 40, "Alias"},
        {Campo::emitido_por, "emitido_por", TipoCampo::Texto, 250, "Emitido por"},
        {Campo::fecha_emision, "fecha_emision", TipoCampo::Fecha, 0, "Válido desde"},
        {Campo::fecha_caducidad, "fecha_caducidad", TipoCampo::Fecha, 0, "Válido hasta"},
        {Campo::propositos, "propositos", TipoCampo::Texto, 100, "Propósitos planteados"},
        {Campo::email, "email", TipoCampo::Texto, 100, "Email"},
        {Campo::key_for_alias, "key_for_alias", TipoCampo::Texto, 100, ""},
        {Campo::proximo_a_caducar, "proximo_a_caducar", TipoCampo::Entero, 0, ""},
        {Campo::calculated_indice, "calculated_indice", TipoCampo::Entero, 0, "Índice"},
        {Campo::ilegible, "ilegible", TipoCampo::Entero, 0, ""},
    }};
    return campos;
}

const DefinicionCampo* BuscarCampo(const QString& nombre) {
    for (const auto& c : CamposCertificado()) {
        if (nombre.compare(QLatin1String(c.nombre), Qt::CaseInsensitive) == 0) return &c;
    }
    return nullptr;
}

int IndiceTexto(Campo campo) {
    switch (campo) {
        case Campo::emitido_para:
            return kEmitidoPara;
        case Campo::alias:
            return kAlias;
        case Campo::emitido_por:
            return kEmitidoPor;
        case Campo::propositos:
            return kPropositos;
        case Campo::email:
            return kEmail;
        case Campo::key_for_alias:
            return kKeyForAlias;
        default:
            return -1;
    }
}

namespace {
template <typename R>
auto& TextoDe(R& r, Campo campo) {
    switch (campo) {
        case Campo::alias:
            return r.alias;
        case Campo::emitido_por:
            return r.emitido_por;
        case Campo::propositos:
            return r.propositos;
        case Campo::email:
            return r.email;
        case Campo::key_for_alias:
            return r.key_for_alias;
        default:
            return r.emitido_para;
    }
}
}  // namespace

const QString& Texto(const RegistroCertificado& r, Campo campo) {
    return TextoDe(r, campo);
}
QString& Texto(RegistroCertificado& r, Campo campo) {
    return TextoDe(r, campo);
}

QString Plegar(const QString& texto) {
    bool ascii = true;
    for (QChar c : texto) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) return texto.toLower();
    const QString descompuesto = texto.toCaseFolded().normalized(QString::NormalizationForm_D);
    QString r;
    r.reserve(descompuesto.size());
    for (QChar c : descompuesto) {
        if (c.category() != QChar::Mark_NonSpacing) r += c;
    }
    return r.normalized(QString::NormalizationForm_C);
}

QString Cortar(const QString& texto, int ancho) {
    if (texto.size() <= ancho) return texto;
    qsizetype n = 0;
    int caracteres = 0;
    while (n < texto.size() && caracteres < ancho) {
        n += (texto.at(n).isHighSurrogate() && n + 1 < texto.size()) ? 2 : 1;
        ++caracteres;
    }
    return texto.left(n);
}

QString FechaCorta(const QDate& dia) {
    int a = 0, m = 0, d = 0;
    dia.getDate(&a, &m, &d);
    // Written by hand: the grid asks for two dates of every painted row, and toString reads its
    // format again each time.
    if (!dia.isValid() || a < 1000 || a > 9999) {
        return dia.isValid() ? dia.toString(QStringLiteral("dd/MM/yyyy")) : QString();
    }
    const char16_t t[10] = {
        char16_t(u'0' + d / 10),   char16_t(u'0' + d % 10),       u'/',
        char16_t(u'0' + m / 10),   char16_t(u'0' + m % 10),       u'/',
        char16_t(u'0' + a / 1000), char16_t(u'0' + a / 100 % 10), char16_t(u'0' + a / 10 % 10),
        char16_t(u'0' + a % 10)};
    return QString(reinterpret_cast<const QChar*>(t), 10);
}

bool Caducado(const QDate& caducidad, const QDateTime& ahora) {
    // Expired from the first moment of its last day: a comparison of days. The start of the day
    // as a moment asked the C library's time zone, which reads /etc/localtime again at every call,
    // and the grid asks this for every cell it paints.
    return caducidad.isValid() && caducidad <= ahora.toLocalTime().date();
}

bool Caducado(const RegistroCertificado& r, const QDateTime& ahora) {
    return Caducado(r.fecha_caducidad, ahora);
}

QDate PrimerDiaVigente(const QDateTime& ahora) {
    QDate dia = ahora.date();
    while (Caducado(dia, ahora)) dia = dia.addDays(1);
    return dia;
}

QString EmitidoParaMostrado(const RegistroCertificado& r) {
    if (!r.ilegible) return r.emitido_para;
    return r.apodo.isEmpty() ? QStringLiteral("Certificado ilegible")
                             : QStringLiteral("Certificado ilegible (") + r.apodo + u')';
}

QString AvisoIlegible(const RegistroCertificado& r) {
    if (!r.ilegible) return {};
    return QStringLiteral(
        "El almacén de certificados guarda este certificado dañado: no se puede leer ni usar. "
        "Bórrelo con el administrador de certificados del navegador y vuelva a importarlo "
        "desde su copia (.p12 o .pfx).");
}

QString DescripcionCertificado(const RegistroCertificado& r) {
    const QString alias = r.alias.trimmed();
    return alias.isEmpty() ? r.emitido_para : alias + QStringLiteral(" - ") + r.emitido_para;
}

QString DescripcionAislada(const RegistroCertificado& r) {
    const QString alias = r.alias.trimmed();
    return alias.isEmpty() ? Aislado(r.emitido_para)
                           : Aislado(alias) + QStringLiteral(" - ") + Aislado(r.emitido_para);
}

QString NombreVisible(const std::string& nombre) {
    QString r;
    r.reserve(static_cast<qsizetype>(nombre.size()));
    size_t i = 0;
    while (i < nombre.size()) {
        char32_t c = 0;
        const size_t largo = LeerUtf8(nombre, i, c);
        if (largo == 0) {
            r += QChar(0xFFFD);
            ++i;
            continue;
        }
        i += largo;
        if (c < 0x20) {
            r += QChar(char16_t(0x2400 + c));
        } else if (c == 0x7F) {
            r += QChar(char16_t(0x2421));
        } else if ((c >= 0x80 && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
                   (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029) {
            r += QChar(0xFFFD);
        } else if (c < 0x10000) {
            r += QChar(static_cast<char16_t>(c));
        } else {
            r += QChar(QChar::highSurrogate(c));
            r += QChar(QChar::lowSurrogate(c));
        }
    }
    return r;
}

QString Aislado(const QString& texto) {
    return QChar(0x2068) + texto + QChar(0x2069);
}

std::string SujetoReal(const RegistroCertificado& r) {
    return r.emitido_para_real.isEmpty() ? r.emitido_para.toStdString()
                                         : r.emitido_para_real.toStdString();
}

std::string EmisorReal(const RegistroCertificado& r) {
    return r.emitido_por_real.isEmpty() ? r.emitido_por.toStdString()
                                        : r.emitido_por_real.toStdString();
}

}  // namespace marlevanta
