#include "core/u_expresionFiltro.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace marlevanta {

namespace filtro_detalle {

enum class Op { Like, Igual, Distinto, Menor, MenorIgual, Mayor, MayorIgual };

struct Token {
    enum Tipo { Nombre, Cadena, Entero, Operador, AbreParen, CierraParen, Fin } tipo;
    QString texto;
    qsizetype posicion;
};

}  // namespace filtro_detalle

namespace {
using filtro_detalle::Token;

// Raised inside the parser only; Compilar turns it into its result.
class ErrorFiltro : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Deep enough for any hand-written filter, shallow enough for the parser's own stack.
constexpr int kProfundidadMaxima = 64;
constexpr size_t kPiezasMaximas = 4096;

[[noreturn]] void Fallo(qsizetype posicion, const QString& motivo) {
    throw ErrorFiltro(QStringLiteral("Expresión de filtro no válida (posición %1): %2")
                          .arg(posicion + 1)
                          .arg(motivo)
                          .toStdString());
}

std::vector<Token> Separar(const QString& s) {
    std::vector<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == u'(' || c == u')') {
            tokens.push_back({c == u'(' ? Token::AbreParen : Token::CierraParen, c, i});
            ++i;
        } else if (c == u'\'') {
            const qsizetype inicio = i++;
            QString valor;
            for (;;) {
                if (i >= n) Fallo(inicio, QStringLiteral("falta la comilla que cierra el texto"));
                if (s.at(i) == u'\'') {
                    if (i + 1 < n && s.at(i + 1) == u'\'') {
                        valor += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                valor += s.at(i++);
            }
            tokens.push_back({Token::Cadena, valor, inicio});
        } else if (c.isDigit() || (c == u'-' && i + 1 < n && s.at(i + 1).isDigit())) {
            const qsizetype inicio = i++;
            while (i < n && s.at(i).isDigit()) ++i;
            tokens.push_back({Token::Entero, s.mid(inicio, i - inicio), inicio});
        } else if (c.isLetter() || c == u'_') {
            const qsizetype inicio = i;
            while (i < n && (s.at(i).isLetterOrNumber() || s.at(i) == u'_')) ++i;
            tokens.push_back({Token::Nombre, s.mid(inicio, i - inicio), inicio});
        } else if (c == u'=' || c == u'<' || c == u'>') {
            const qsizetype inicio = i++;
            if (i < n && (s.at(i) == u'=' || (c == u'<' && s.at(i) == u'>'))) ++i;
            tokens.push_back({Token::Operador, s.mid(inicio, i - inicio), inicio});
        } else {
            Fallo(i, QStringLiteral("carácter inesperado '%1'").arg(c));
        }
    }
    tokens.push_back({Token::Fin, {}, n});
    return tokens;
}

}  // namespace

namespace filtro_detalle {

// A like pattern split at its "%": a row matches when the pieces appear in order, the first
// at the start unless the pattern begins with "%", the last at the end unless it ends with one.
struct Patron {
    QStringList piezas;
    bool matchea(const QString& texto) const {
        if (piezas.size() == 1) return texto == piezas.front();
        const QString& primera = piezas.front();
        const QString& ultima = piezas.back();
        if (texto.size() < primera.size() + ultima.size()) return false;
        if (!texto.startsWith(primera) || !texto.endsWith(ultima)) return false;
        qsizetype desde = primera.size();
        const qsizetype limite = texto.size() - ultima.size();
        for (qsizetype k = 1; k + 1 < piezas.size(); ++k) {
            const QString& p = piezas.at(k);
            if (p.isEmpty()) continue;
            const qsizetype en = texto.indexOf(p, desde);
            if (en < 0 || en + p.size() > limite) return false;
            desde = en + p.size();
        }
        return true;
    }
};

// The same reading of a pattern over UTF-8 text. For valid text a UTF-8 piece is found exactly
// where its UTF-16 form is, as UTF-8 cannot match in the middle of a character.
bool CoincideUtf8(std::string_view texto, const std::vector<std::string>& piezas) {
    if (piezas.size() == 1) return texto == piezas.front();
    const std::string_view primera = piezas.front();
    const std::string_view ultima = piezas.back();
    if (texto.size() < primera.size() + ultima.size()) return false;
    if (!texto.starts_with(primera) || !texto.ends_with(ultima)) return false;
    size_t desde = primera.size();
    const size_t limite = texto.size() - ultima.size();
    for (size_t k = 1; k + 1 < piezas.size(); ++k) {
        const std::string_view p = piezas[k];
        if (p.empty()) continue;
        const size_t en = texto.find(p, desde);
        if (en == std::string_view::npos || en + p.size() > limite) return false;
        desde = en + p.size();
    }
    return true;
}

// Where `aguja` is in `texto` from `desde`; glibc's memmem is several times faster than a
// character-by-character search on long texts.
size_t Buscar(std::string_view texto, size_t desde, std::string_view aguja) {
#ifdef __GLIBC__
    const void* en = memmem(texto.data() + desde, texto.size() - desde, aguja.data(), aguja.size());
    return en ? static_cast<size_t>(static_cast<const char*>(en) - texto.data())
              : std::string_view::npos;
#else
    return texto.find(aguja, desde);
#endif
}

// Every text a narrower pattern matches, the wider one matches too: the same number of pieces,
// each of the narrower containing the wider's at its place, the anchored ends kept at their end.
bool LikeMasEstrecho(const QStringList& estrecho, const QStringList& ancho) {
    if (estrecho.size() != ancho.size()) return false;
    if (ancho.size() == 1) return estrecho.front() == ancho.front();
    if (!estrecho.front().startsWith(ancho.front()) || !estrecho.back().endsWith(ancho.back())) {
        return false;
    }
    for (qsizetype k = 1; k + 1 < ancho.size(); ++k) {
        if (!estrecho.at(k).contains(ancho.at(k))) return false;
    }
    return true;
}

}  // namespace filtro_detalle

using filtro_detalle::Op;
using filtro_detalle::Patron;
using filtro_detalle::Token;

struct ExpresionFiltro::Nodo {
    enum Tipo { Y, O, No, Comparacion } tipo = Comparacion;
    std::unique_ptr<Nodo> izq, der;
    Campo campo = Campo::id;
    TipoCampo tipoCampo = TipoCampo::Entero;
    Op op = Op::Igual;
    qint64 entero = 0;
    QDate fecha;
    QString texto;  // folded
    Patron patron;
    std::string texto8;  // the same in UTF-8, for the index
    std::vector<std::string> piezas8;
    int nodos = 1;  // in this subtree

    template <typename T>
    bool Comparar(const T& a, const T& b) const {
        switch (op) {
            case Op::Igual:
                return a == b;
            case Op::Distinto:
                return a != b;
            case Op::Menor:
                return a < b;
            case Op::MenorIgual:
                return a <= b;
            case Op::Mayor:
                return a > b;
            case Op::MayorIgual:
                return a >= b;
            case Op::Like:
                return false;
        }
        return false;
    }

    bool CompararEntero(qint32 id, quint16 proximo, bool ilegible) const {
        switch (campo) {
            case Campo::proximo_a_caducar:
                return Comparar<qint64>(proximo, entero);
            case Campo::calculated_indice:
                return Comparar<qint64>(qint64(id) + 1, entero);
            case Campo::ilegible:
                return Comparar<qint64>(ilegible ? 1 : 0, entero);
            default:
                return Comparar<qint64>(id, entero);
        }
    }

    // Text comparisons other than like order by code point, which is byte order in UTF-8.
    bool CoincideTexto(std::string_view valor) const {
        // An empty field has no value, and a field without a value matches nothing.
        if (valor.empty()) return false;
        if (op == Op::Like) return filtro_detalle::CoincideUtf8(valor, piezas8);
        const int c = valor.compare(texto8);
        return Comparar(c < 0 ? -1 : (c > 0 ? 1 : 0), 0);
    }

    bool Evaluar(const RegistroCertificado& r) const {
        switch (tipo) {
            case Y:
                return izq->Evaluar(r) && der->Evaluar(r);
            case O:
                return izq->Evaluar(r) || der->Evaluar(r);
            case No:
                return !izq->Evaluar(r);
            case Comparacion:
                break;
        }
        switch (tipoCampo) {
            case TipoCampo::Texto: {
                const QString valor = Plegar(Texto(r, campo));
                if (valor.isEmpty()) return false;
                if (op == Op::Like) return patron.matchea(valor);
                const QList<uint> a = valor.toUcs4();
                const QList<uint> b = texto.toUcs4();
                return Comparar(a < b ? -1 : (b < a ? 1 : 0), 0);
            }
            case TipoCampo::Fecha: {
                const QDate& valor =
                    campo == Campo::fecha_emision ? r.fecha_emision : r.fecha_caducidad;
                return valor.isValid() && Comparar(valor, fecha);
            }
            case TipoCampo::Entero:
                return CompararEntero(r.id, r.proximo_a_caducar, r.ilegible);
        }
        return false;
    }

    // One row of an index: the evaluation of many rows when only a few are left to look at.
    bool EvaluarFila(const IndiceFiltro& ix, size_t i) const {
        switch (tipo) {
            case Y:
                return izq->EvaluarFila(ix, i) && der->EvaluarFila(ix, i);
            case O:
                return izq->EvaluarFila(ix, i) || der->EvaluarFila(ix, i);
            case No:
                return !izq->EvaluarFila(ix, i);
            case Comparacion:
                break;
        }
        const IndiceFiltro::Datos& d = ix.Fila(i);
        switch (tipoCampo) {
            case TipoCampo::Texto: {
                const auto& col = ix.Textos(IndiceTexto(campo));
                return CoincideTexto(col.Valor(col.valorDeFila[i]));
            }
            case TipoCampo::Fecha: {
                const QDate& valor = campo == Campo::fecha_emision ? d.emision : d.caducidad;
                return valor.isValid() && Comparar(valor, fecha);
            }
            case TipoCampo::Entero:
                return CompararEntero(d.id, d.proximo, d.ilegible);
        }
        return false;
    }

    // Which of a column's values pass. The search box's '%text%' runs through the whole column
    // at once instead of value by value.
    std::vector<char> ValoresQuePasan(const IndiceFiltro::Columna& col) const {
        std::vector<char> r(col.Valores(), 0);
        const bool contiene = op == Op::Like && piezas8.size() == 3 && piezas8[0].empty() &&
                              piezas8[2].empty() && !piezas8[1].empty();
        if (!contiene) {
            for (quint32 v = 0; v < col.Valores(); ++v) r[v] = CoincideTexto(col.Valor(v)) ? 1 : 0;
            return r;
        }
        const std::string_view todo = col.textos;
        const std::string_view aguja = piezas8[1];
        size_t desde = 0;
        quint32 v = 0;
        while (desde < todo.size()) {
            const size_t en = filtro_detalle::Buscar(todo, desde, aguja);
            if (en == std::string_view::npos) break;
            while (col.inicios[v + 1] <= en) ++v;
            if (en + aguja.size() <= col.inicios[v + 1]) {
                r[v] = 1;
                desde = col.inicios[v + 1];
            } else {
                desde = en + 1;  // it ran into the next value
            }
        }
        return r;
    }

    void Filtrar(const IndiceFiltro& ix, std::vector<char>& pasa) const {
        const size_t n = pasa.size();
        switch (tipo) {
            case Y:
                izq->Filtrar(ix, pasa);
                der->Filtrar(ix, pasa);
                return;
            case O: {
                std::vector<char> resto = pasa;
                izq->Filtrar(ix, pasa);
                for (size_t i = 0; i < n; ++i) resto[i] = resto[i] & !pasa[i];
                der->Filtrar(ix, resto);
                for (size_t i = 0; i < n; ++i) pasa[i] = pasa[i] | resto[i];
                return;
            }
            case No: {
                std::vector<char> dentro = pasa;
                izq->Filtrar(ix, dentro);
                for (size_t i = 0; i < n; ++i) pasa[i] = pasa[i] & !dentro[i];
                return;
            }
            case Comparacion:
                break;
        }
        if (tipoCampo == TipoCampo::Texto) {
            const auto& col = ix.Textos(IndiceTexto(campo));
            const size_t mirar = static_cast<size_t>(std::count(pasa.begin(), pasa.end(), 1));
            if (mirar * 4 >= col.Valores()) {
                const std::vector<char> valores = ValoresQuePasan(col);
                for (size_t i = 0; i < n; ++i) pasa[i] = pasa[i] & valores[col.valorDeFila[i]];
                return;
            }
        }
        for (size_t i = 0; i < n; ++i) {
            if (pasa[i]) pasa[i] = EvaluarFila(ix, i) ? 1 : 0;
        }
    }
};

namespace {

class Analizador {
public:
    explicit Analizador(const QString& texto) : tokens_(Separar(texto)) {
        if (tokens_.size() > kPiezasMaximas) {
            Fallo(tokens_[kPiezasMaximas].posicion,
                  QStringLiteral("la expresión es demasiado larga"));
        }
    }

    std::unique_ptr<ExpresionFiltro::Nodo> Todo() {
        if (Actual().tipo == Token::Fin) return nullptr;
        auto raiz = O();
        if (Actual().tipo != Token::Fin) {
            Fallo(Actual().posicion, QStringLiteral("sobra \"%1\"").arg(Actual().texto));
        }
        return raiz;
    }

private:
    using NodoPtr = std::unique_ptr<ExpresionFiltro::Nodo>;

    const Token& Actual() const { return tokens_[pos_]; }
    bool EsPalabra(const char* palabra) const {
        return Actual().tipo == Token::Nombre &&
               Actual().texto.compare(QLatin1String(palabra), Qt::CaseInsensitive) == 0;
    }

    NodoPtr Unir(ExpresionFiltro::Nodo::Tipo tipo, NodoPtr a, NodoPtr b) {
        auto n = std::make_unique<ExpresionFiltro::Nodo>();
        n->tipo = tipo;
        n->nodos = 1 + a->nodos + (b ? b->nodos : 0);
        n->izq = std::move(a);
        n->der = std::move(b);
        return n;
    }

    NodoPtr O() {
        auto n = Y();
        while (EsPalabra("or")) {
            ++pos_;
            n = Unir(ExpresionFiltro::Nodo::O, std::move(n), Y());
        }
        return n;
    }

    NodoPtr Y() {
        auto n = Factor();
        while (EsPalabra("and")) {
            ++pos_;
            n = Unir(ExpresionFiltro::Nodo::Y, std::move(n), Factor());
        }
        return n;
    }

    NodoPtr Factor() {
        if (EsPalabra("not") || Actual().tipo == Token::AbreParen) {
            if (++profundidad_ > kProfundidadMaxima) {
                Fallo(Actual().posicion,
                      QStringLiteral("hay más de %1 niveles anidados").arg(kProfundidadMaxima));
            }
        }
        if (EsPalabra("not")) {
            ++pos_;
            auto n = Unir(ExpresionFiltro::Nodo::No, Factor(), nullptr);
            --profundidad_;
            return n;
        }
        if (Actual().tipo == Token::AbreParen) {
            ++pos_;
            auto n = O();
            if (Actual().tipo != Token::CierraParen) {
                Fallo(Actual().posicion, QStringLiteral("falta el paréntesis que cierra"));
            }
            ++pos_;
            --profundidad_;
            return n;
        }
        return Comparacion();
    }

    NodoPtr Comparacion() {
        const Token nombre = Actual();
        if (nombre.tipo != Token::Nombre) {
            Fallo(nombre.posicion, nombre.tipo == Token::Fin
                                       ? QStringLiteral("la expresión acaba antes de tiempo")
                                       : QStringLiteral("se esperaba un nombre de campo"));
        }
        const DefinicionCampo* def = BuscarCampo(nombre.texto);
        if (!def)
            Fallo(nombre.posicion, QStringLiteral("campo desconocido \"%1\"").arg(nombre.texto));
        ++pos_;

        auto n = std::make_unique<ExpresionFiltro::Nodo>();
        n->campo = def->campo;
        n->tipoCampo = def->tipo;
        const Token op = Actual();
        if (EsPalabra("like")) {
            n->op = Op::Like;
        } else if (op.tipo == Token::Operador) {
            static const std::pair<const char*, Op> ops[] = {
                {"=", Op::Igual},       {"<>", Op::Distinto}, {"<", Op::Menor},
                {"<=", Op::MenorIgual}, {">", Op::Mayor},     {">=", Op::MayorIgual}};
            bool conocido = false;
            for (const auto& [texto, valor] : ops) {
                if (op.texto == QLatin1String(texto)) {
                    n->op = valor;
                    conocido = true;
                }
            }
            if (!conocido)
                Fallo(op.posicion, QStringLiteral("operador desconocido \"%1\"").arg(op.texto));
        } else {
            Fallo(op.posicion,
                  QStringLiteral("se esperaba un operador tras \"%1\"").arg(nombre.texto));
        }
        ++pos_;
        if (n->op == Op::Like && def->tipo != TipoCampo::Texto) {
            Fallo(op.posicion, QStringLiteral("like sólo se aplica a campos de texto"));
        }

        const Token lit = Actual();
        if (lit.tipo != Token::Cadena && lit.tipo != Token::Entero) {
            Fallo(lit.posicion, QStringLiteral("se esperaba un valor tras el operador"));
        }
        ++pos_;
        switch (def->tipo) {
            case TipoCampo::Texto:
                if (lit.tipo != Token::Cadena) {
                    Fallo(lit.posicion,
                          QStringLiteral("el campo \"%1\" es de texto: el valor va entre comillas")
                              .arg(nombre.texto));
                }
                n->texto = Plegar(lit.texto);
                n->patron.piezas = n->texto.split(u'%');
                n->texto8 = n->texto.toStdString();
                for (const QString& p : n->patron.piezas) n->piezas8.push_back(p.toStdString());
                break;
            case TipoCampo::Fecha:
                n->fecha = LeerFechaFiltro(lit.texto);
                if (lit.tipo != Token::Cadena || !n->fecha.isValid()) {
                    Fallo(lit.posicion,
                          QStringLiteral("\"%1\" no es una fecha dd/mm/aaaa").arg(lit.texto));
                }
                break;
            case TipoCampo::Entero: {
                bool ok = false;
                n->entero = lit.texto.trimmed().toLongLong(&ok);
                if (!ok)
                    Fallo(lit.posicion,
                          QStringLiteral("\"%1\" no es un número entero").arg(lit.texto));
                break;
            }
        }
        return n;
    }

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int profundidad_ = 0;
};

}  // namespace

ExpresionFiltro::ExpresionFiltro() = default;
ExpresionFiltro::~ExpresionFiltro() = default;
ExpresionFiltro::ExpresionFiltro(ExpresionFiltro&&) noexcept = default;
ExpresionFiltro& ExpresionFiltro::operator=(ExpresionFiltro&&) noexcept = default;

Resultado<ExpresionFiltro> ExpresionFiltro::Compilar(const QString& texto) {
    ExpresionFiltro e;
    try {
        e.raiz_ = Analizador(texto).Todo();
    } catch (const ErrorFiltro& error) {
        return Falla(error.what());
    }
    return e;
}

bool ExpresionFiltro::Evaluar(const RegistroCertificado& r) const {
    return !raiz_ || raiz_->Evaluar(r);
}

namespace {

// Past this many nodes each "or" and "not" would hold a mark per row for each level: such an
// expression is evaluated row by row instead.
constexpr int kNodosPorConjuntos = 64;

bool Implica(const ExpresionFiltro::Nodo& a, const ExpresionFiltro::Nodo& b, bool directo) {
    using Nodo = ExpresionFiltro::Nodo;
    if (a.tipo != b.tipo) return false;
    switch (a.tipo) {
        case Nodo::Y:
        case Nodo::O:
            return Implica(*a.izq, *b.izq, directo) && Implica(*a.der, *b.der, directo);
        case Nodo::No:
            // Under a "not" a narrower pattern lets more rows through.
            return Implica(*a.izq, *b.izq, !directo);
        case Nodo::Comparacion:
            break;
    }
    if (a.campo != b.campo || a.op != b.op) return false;
    switch (a.tipoCampo) {
        case TipoCampo::Fecha:
            return a.fecha == b.fecha;
        case TipoCampo::Entero:
            return a.entero == b.entero;
        case TipoCampo::Texto:
            if (a.op != Op::Like) return a.texto == b.texto;
            return directo ? filtro_detalle::LikeMasEstrecho(a.patron.piezas, b.patron.piezas)
                           : filtro_detalle::LikeMasEstrecho(b.patron.piezas, a.patron.piezas);
    }
    return false;
}

}  // namespace

void ExpresionFiltro::Seleccionar(const IndiceFiltro& indice, std::vector<char>& pasa) const {
    if (!raiz_) return;
    if (raiz_->nodos <= kNodosPorConjuntos) {
        raiz_->Filtrar(indice, pasa);
        return;
    }
    for (size_t i = 0; i < pasa.size(); ++i) {
        if (pasa[i]) pasa[i] = raiz_->EvaluarFila(indice, i) ? 1 : 0;
    }
}

bool ExpresionFiltro::MasEstrechaQue(const ExpresionFiltro& anterior) const {
    if (!anterior.raiz_) return true;  // it selected every row
    return raiz_ && Implica(*raiz_, *anterior.raiz_, true);
}

quint32 IndiceFiltro::Columna::Anadir(std::string_view texto) {
    textos.append(texto);
    inicios.push_back(static_cast<quint32>(textos.size()));
    return Valores() - 1;
}

namespace {

// Plegar's result in UTF-8; ASCII text, nearly every name, without going through a QString.
void PlegarUtf8(const QString& texto, std::string& r) {
    r.resize(static_cast<size_t>(texto.size()));
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const char16_t c = texto.at(i).unicode();
        if (c >= 0x80) {
            r = Plegar(texto).toStdString();
            return;
        }
        r[static_cast<size_t>(i)] = static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
    }
}

}  // namespace

IndiceFiltro::IndiceFiltro(const std::vector<RegistroCertificado>& filas)
    : IndiceFiltro(filas.size(),
                   [&filas](size_t i) -> const RegistroCertificado& { return filas[i]; }) {}

IndiceFiltro::IndiceFiltro(size_t filas,
                           const std::function<const RegistroCertificado&(size_t)>& fila) {
    datos_.reserve(filas);
    std::array<std::unordered_map<std::string, quint32>, kNumTextos> vistos;
    for (auto& c : columnas_) c.valorDeFila.reserve(filas);
    std::string plegado;
    for (size_t i = 0; i < filas; ++i) {
        const RegistroCertificado& r = fila(i);
        datos_.push_back(
            {r.fecha_emision, r.fecha_caducidad, r.id, r.proximo_a_caducar, r.ilegible});
        for (const auto& def : CamposCertificado()) {
            const int k = IndiceTexto(def.campo);
            if (k < 0) continue;
            Columna& c = columnas_[static_cast<size_t>(k)];
            PlegarUtf8(Texto(r, def.campo), plegado);
            // Issuers and usages repeat across a store; the other texts seldom do, and are
            // only shared with the row before.
            if (k == kEmitidoPor || k == kPropositos) {
                auto [it, nuevo] = vistos[static_cast<size_t>(k)].try_emplace(plegado, 0);
                if (nuevo) it->second = c.Anadir(plegado);
                c.valorDeFila.push_back(it->second);
            } else if (!c.valorDeFila.empty() && c.Valor(c.valorDeFila.back()) == plegado) {
                c.valorDeFila.push_back(c.valorDeFila.back());
            } else {
                c.valorDeFila.push_back(c.Anadir(plegado));
            }
        }
    }
    for (auto& c : columnas_) {
        c.textos.shrink_to_fit();
        c.inicios.shrink_to_fit();
    }
}

void IndiceFiltro::Cambiar(size_t fila, const RegistroCertificado& r) {
    datos_[fila] = {r.fecha_emision, r.fecha_caducidad, r.id, r.proximo_a_caducar, r.ilegible};
    for (const auto& def : CamposCertificado()) {
        const int k = IndiceTexto(def.campo);
        if (k < 0) continue;
        Columna& c = columnas_[static_cast<size_t>(k)];
        std::string plegado;
        PlegarUtf8(Texto(r, def.campo), plegado);
        if (c.Valor(c.valorDeFila[fila]) != plegado) c.valorDeFila[fila] = c.Anadir(plegado);
    }
}

void IndiceFiltro::Anadir(const IndiceFiltro& despues) {
    datos_.insert(datos_.end(), despues.datos_.begin(), despues.datos_.end());
    for (size_t k = 0; k < columnas_.size(); ++k) {
        Columna& c = columnas_[k];
        const Columna& o = despues.columnas_[k];
        const auto texto = static_cast<quint32>(c.textos.size());
        const quint32 valor = c.Valores();
        c.textos.append(o.textos);
        for (size_t v = 1; v < o.inicios.size(); ++v) c.inicios.push_back(texto + o.inicios[v]);
        for (quint32 v : o.valorDeFila) c.valorDeFila.push_back(valor + v);
    }
}

QDate LeerFechaFiltro(const QString& texto) {
    static const QRegularExpression forma(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    const auto m = forma.match(texto.trimmed());
    if (!m.hasMatch()) return {};
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

EstadoFiltro ConstruirFiltro(const QString& busqueda, bool soloProximos, bool ocultarCaducados,
                             bool soloCliente, const QDateTime& ahora) {
    const QString t = busqueda.trimmed();
    EstadoFiltro estado;
    estado.filtrado = !t.isEmpty() || soloProximos || ocultarCaducados || soloCliente;
    if (!estado.filtrado) return estado;
    // A quote is doubled so that it stays inside the literal and is searched for as itself.
    QString literal = t;
    literal.replace(u'\'', QStringLiteral("''"));
    QString& e = estado.expresion;
    if (!t.isEmpty()) {
        e = QStringLiteral("(emitido_para like '%") + literal + QStringLiteral("%' or ") +
            QStringLiteral(" email like '%") + literal + QStringLiteral("%' or ") +
            QStringLiteral(" alias like '%") + literal + QStringLiteral("%')");
    }
    QString interruptores;
    const auto anadir = [&interruptores](const QString& parte) {
        if (!interruptores.isEmpty()) interruptores += QStringLiteral(" and ");
        interruptores += parte;
    };
    if (soloProximos) anadir(QStringLiteral("proximo_a_caducar = 1 "));
    // Caducado's rule: a row without a date is not known to be expired, and stays.
    if (ocultarCaducados) {
        anadir(QStringLiteral("not fecha_caducidad < '") + FechaCorta(PrimerDiaVigente(ahora)) +
               QStringLiteral("'"));
    }
    if (soloCliente) anadir(QStringLiteral("propositos like '%clientAuth%'"));
    if (!interruptores.isEmpty()) {
        // The switches hide what is known of a certificate; an unreadable one stays in sight
        // until the user has dealt with it.
        if (!e.isEmpty()) e += QStringLiteral(" and ");
        e += QStringLiteral("(ilegible = 1 or (") + interruptores + QStringLiteral("))");
    }
    return estado;
}

}  // namespace marlevanta
