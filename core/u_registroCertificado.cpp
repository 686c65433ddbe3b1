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

}  // namespace marlevanta
