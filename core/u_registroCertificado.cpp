#include "core/u_registroCertificado.h"

namespace marlevanta {

const std::array<DefinicionCampo, 11>& CamposCertificado() {
    static const std::array<DefinicionCampo, 11> campos = {{
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
    const auto* p = reinterpret_cast<const unsigned char*>(nombre.data());
    const size_t n = nombre.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        size_t largo = 0;
        char32_t c = 0;
        if (b < 0x80) {
            largo = 1;
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            largo = 2;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            largo = 3;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            largo = 4;
            c = b & 0x07;
        }
        bool valido = largo > 0 && i + largo <= n;
        for (size_t k = 1; valido && k < largo; ++k) {
            valido = (p[i + k] & 0xC0) == 0x80;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (valido && ((largo == 3 && c < 0x800) || (largo == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
                       (c >= 0xD800 && c <= 0xDFFF))) {
            valido = false;
        }
        if (!valido) {
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
        } else {
            r += QString::fromUcs4(&c, 1);
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
