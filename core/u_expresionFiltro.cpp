#include "core/u_expresionFiltro.h"

#include <QRegularExpression>
#include <QStringList>
#include <stdexcept>
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

    bool Evaluar(const RegistroCertificado& r, const TextosPlegados& p) const {
        switch (tipo) {
            case Y:
                return izq->Evaluar(r, p) && der->Evaluar(r, p);
            case O:
                return izq->Evaluar(r, p) || der->Evaluar(r, p);
            case No:
                return !izq->Evaluar(r, p);
            case Comparacion:
                break;
        }
        switch (tipoCampo) {
            case TipoCampo::Texto: {
                const QString& valor = p[static_cast<size_t>(IndiceTexto(campo))];
                // An empty field has no value, and a field without a value matches nothing.
                if (valor.isEmpty()) return false;
                if (op == Op::Like) return patron.matchea(valor);
                return Comparar(valor.compare(texto), 0);
            }
            case TipoCampo::Fecha: {
                const QDate& valor =
                    campo == Campo::fecha_emision ? r.fecha_emision : r.fecha_caducidad;
                return valor.isValid() && Comparar(valor, fecha);
            }
            case TipoCampo::Entero: {
                qint64 valor = 0;
                switch (campo) {
                    case Campo::proximo_a_caducar:
                        valor = r.proximo_a_caducar;
                        break;
                    case Campo::calculated_indice:
                        valor = r.id + 1;
                        break;
                    case Campo::ilegible:
                        valor = r.ilegible ? 1 : 0;
                        break;
                    default:
                        valor = r.id;
                        break;
                }
                return Comparar(valor, entero);
            }
        }
        return false;
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

bool ExpresionFiltro::Evaluar(const RegistroCertificado& r, const TextosPlegados& p) const {
    return !raiz_ || raiz_->Evaluar(r, p);
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
