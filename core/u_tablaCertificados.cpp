#include "core/u_tablaCertificados.h"

#include <QAbstractEventDispatcher>
#include <QCollator>
#include <QLocale>
#include <QThread>
#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace marlevanta {

namespace {

// One per thread: rows are prepared on a worker while the window's thread edits an alias.
const QCollator& Intercalador() {
    thread_local const QCollator c = [] {
        QCollator col(QLocale(QLocale::Spanish, QLocale::Spain));
        col.setCaseSensitivity(Qt::CaseInsensitive);
        col.setNumericMode(false);
        return col;
    }();
    return c;
}

}  // namespace

TTablaCertificados::TTablaCertificados(QObject* parent) : QObject(parent) {
    temporizador_.setSingleShot(true);
    temporizador_.setInterval(0);
    connect(&temporizador_, &QTimer::timeout, this, [this] { Asentar(); });
}
TTablaCertificados::~TTablaCertificados() = default;

void TTablaCertificados::Close() {
    Asentar();
    activa_ = false;
    filas_.clear();
    indiceFiltro_ = {};
    DatosCambiados();
    vista_.clear();
    actual_ = -1;
    edicion_ = Edicion::Ninguna;
}

TTablaCertificados::FilasPreparadas TTablaCertificados::Preparar(
    std::vector<RegistroCertificado> filas) {
    FilasPreparadas r;
    r.filas_.resize(filas.size());
    for (size_t i = 0; i < filas.size(); ++i) {
        Recortar(filas[i]);
        r.filas_[i].r = std::move(filas[i]);
    }
    // The sort keys and the filter's index read the same rows and write apart: they are made
    // side by side.
    const auto claves = [&r](size_t desde, size_t hasta) {
        for (size_t i = desde; i < hasta; ++i) PrepararFila(r.filas_[i]);
    };
    const size_t n = r.filas_.size();
    std::thread otro;
    if (n >= 2 && std::thread::hardware_concurrency() > 1) otro = std::thread(claves, 0, n);
    r.indice_ =
        IndiceFiltro(n, [&r](size_t i) -> const RegistroCertificado& { return r.filas_[i].r; });
    if (otro.joinable()) {
        otro.join();
    } else {
        claves(0, n);
    }
    return r;
}

void TTablaCertificados::Reemplazar(FilasPreparadas filas) {
    Asentar();
    filas_ = std::move(filas.filas_);
    indiceFiltro_ = std::move(filas.indice_);
    DatosCambiados();
    edicion_ = Edicion::Ninguna;
    ReconstruirVista(-1);
    Scroll();
}

void TTablaCertificados::Anadir(FilasPreparadas filas) {
    if (filas.filas_.empty()) return;
    Asentar();
    const size_t antes = filas_.size();
    const int actual = actual_ >= 0 ? vista_[static_cast<size_t>(actual_)] : -1;
    filas_.reserve(antes + filas.filas_.size());
    std::move(filas.filas_.begin(), filas.filas_.end(), std::back_inserter(filas_));
    indiceFiltro_.Anadir(filas.indice_);
    // Each order kept takes the new rows in sorted among themselves and merged: what sorting all
    // of them would give, as both keep the earlier row first among equals.
    for (auto& guardado : ordenes_) {
        std::vector<int>& orden = guardado.second;  // a lambda may not capture a structured binding
        const auto medio = static_cast<std::ptrdiff_t>(orden.size());
        for (size_t i = antes; i < filas_.size(); ++i) orden.push_back(static_cast<int>(i));
        ConComparador(guardado.first, [&orden, medio](auto antes) {
            std::stable_sort(orden.begin() + medio, orden.end(), antes);
            std::inplace_merge(orden.begin(), orden.begin() + medio, orden.end(), antes);
        });
    }
    // Only the new rows meet the filter for the first time.
    if (pasaValido_) {
        std::vector<char> nuevas(filas_.size(), 0);
        std::fill(nuevas.begin() + static_cast<std::ptrdiff_t>(antes), nuevas.end(), 1);
        expresion_.Seleccionar(indiceFiltro_, nuevas);
        pasa_.resize(filas_.size());
        std::copy(nuevas.begin() + static_cast<std::ptrdiff_t>(antes), nuevas.end(),
                  pasa_.begin() + static_cast<std::ptrdiff_t>(antes));
    }
    ReconstruirVista(actual);
    if (actual < 0 || actual_ < 0 || vista_[static_cast<size_t>(actual_)] != actual) Scroll();
}

void TTablaCertificados::Edit() {
    Asentar();
    if (actual_ < 0) throw std::logic_error("Cannot perform this operation on an empty dataset");
    edicion_ = Edicion::Cambio;
    filaEditada_ = vista_[static_cast<size_t>(actual_)];
    buffer_ = filas_[static_cast<size_t>(filaEditada_)].r;
}

RegistroCertificado& TTablaCertificados::Buffer() {
    if (edicion_ == Edicion::Ninguna) throw std::logic_error("Dataset not in edit or insert mode");
    return buffer_;
}

void TTablaCertificados::Cancel() {
    edicion_ = Edicion::Ninguna;
}

void TTablaCertificados::Recortar(RegistroCertificado& r) {
    for (const auto& def : CamposCertificado()) {
        if (def.tipo != TipoCampo::Texto) continue;
        QString& valor = Texto(r, def.campo);
        valor = Cortar(valor, def.ancho);
    }
    // The certificate's own names stay with the row only when they differ from what it shows.
    if (r.emitido_para_real == r.emitido_para.toUtf8()) r.emitido_para_real.clear();
    if (r.emitido_por_real == r.emitido_por.toUtf8()) r.emitido_por_real.clear();
    r.emitido_para_real.squeeze();
    r.emitido_por_real.squeeze();
    r.calculated_indice = 0;
}

void TTablaCertificados::PrepararFila(FilaInterna& f) {
    f.claveEmitidoPara = Intercalador().sortKey(f.r.emitido_para);
    f.claveAlias = Intercalador().sortKey(f.r.alias);
}

void TTablaCertificados::Post() {
    if (edicion_ == Edicion::Ninguna) throw std::logic_error("Dataset not in edit or insert mode");
    FilaInterna f;
    f.r = buffer_;
    Recortar(f.r);
    PrepararFila(f);
    const int fila = filaEditada_;
    indiceFiltro_.Cambiar(static_cast<size_t>(fila), f.r);
    filas_[static_cast<size_t>(fila)] = std::move(f);
    edicion_ = Edicion::Ninguna;
    DatosCambiados();
    ReconstruirVista(fila);
    Scroll();
}

bool TTablaCertificados::CambiarAlias(const QString& huella, const QString& alias) {
    if (huella.isEmpty()) return false;
    Asentar();
    for (size_t i = 0; i < filas_.size(); ++i) {
        if (filas_[i].r.key_for_alias.compare(huella, Qt::CaseInsensitive) != 0) continue;
        FilaInterna f;
        f.r = filas_[i].r;
        f.r.alias = alias;
        Recortar(f.r);
        PrepararFila(f);
        indiceFiltro_.Cambiar(i, f.r);
        filas_[i] = std::move(f);
        DatosCambiados();
        ReconstruirVista(static_cast<int>(i));
        Scroll();
        return true;
    }
    return false;
}

template <class F>
void TTablaCertificados::ConComparador(const QString& indice, F&& usar) const {
    // Each order's own comparison type, so that sorting inlines it.
    const auto clave = [this](int i) -> const FilaInterna& {
        return filas_[static_cast<size_t>(i)];
    };
    if (indice == QLatin1String(kIndiceInEmitidoPara)) {
        usar([clave](int a, int b) {
            return clave(a).claveEmitidoPara->compare(*clave(b).claveEmitidoPara) < 0;
        });
    } else if (indice == QLatin1String(kIndiceInAlias)) {
        usar([clave](int a, int b) {
            const int c = clave(a).claveAlias->compare(*clave(b).claveAlias);
            if (c != 0) return c < 0;
            return clave(a).claveEmitidoPara->compare(*clave(b).claveEmitidoPara) < 0;
        });
    } else if (indice == QLatin1String(kIndiceInFechaCaducidad)) {
        // Rows without a date come first, as an empty key sorts before any value.
        usar([clave](int a, int b) {
            const QDate& x = clave(a).r.fecha_caducidad;
            const QDate& y = clave(b).r.fecha_caducidad;
            if (x.isValid() != y.isValid()) return !x.isValid();
            return x < y;
        });
    }
    // The load's own order has none.
}

const std::vector<int>& TTablaCertificados::Orden() const {
    if (auto it = ordenes_.find(indice_); it != ordenes_.end()) return it->second;
    std::vector<int>& orden = ordenes_[indice_];
    orden.resize(filas_.size());
    for (size_t i = 0; i < orden.size(); ++i) orden[i] = static_cast<int>(i);
    ConComparador(indice_,
                  [&orden](auto antes) { std::stable_sort(orden.begin(), orden.end(), antes); });
    return orden;
}

void TTablaCertificados::DatosCambiados() {
    ordenes_.clear();
    pasaValido_ = false;
    estrechar_ = false;
}

void TTablaCertificados::ReconstruirVista(int filaPreferida) {
    const auto& orden = Orden();
    vista_.clear();
    vista_.reserve(orden.size());
    const bool filtrar = filtrado_ && !expresion_.Vacia();
    if (filtrar && !pasaValido_) {
        if (!estrechar_) pasa_.assign(filas_.size(), 1);
        expresion_.Seleccionar(indiceFiltro_, pasa_);
        pasaValido_ = true;
        estrechar_ = false;
    }
    for (int i : orden) {
        if (!filtrar || pasa_[static_cast<size_t>(i)]) vista_.push_back(i);
    }
    actual_ = vista_.empty() ? -1 : 0;
    if (filaPreferida >= 0) {
        const auto it = std::find(vista_.begin(), vista_.end(), filaPreferida);
        if (it != vista_.end()) actual_ = static_cast<int>(it - vista_.begin());
    }
    emit VistaCambiada();
}

void TTablaCertificados::Scroll() {
    emit AfterScroll();
}

void TTablaCertificados::IrA(int posicion) {
    const int n = static_cast<int>(vista_.size());
    actual_ = n == 0 ? -1 : std::clamp(posicion, 0, n - 1);
    Scroll();
}

void TTablaCertificados::First() {
    IrA(0);
}
void TTablaCertificados::Last() {
    IrA(static_cast<int>(vista_.size()) - 1);
}
void TTablaCertificados::Next() {
    IrA(actual_ + 1);
}
void TTablaCertificados::SetRecNo(int recNo) {
    IrA(recNo - 1);
}

int TTablaCertificados::RecordCount() const {
    Asentar();
    return static_cast<int>(vista_.size());
}

RegistroCertificado TTablaCertificados::ConCalculados(const RegistroCertificado& r) const {
    RegistroCertificado copia = r;
    if (OnCalcFields) OnCalcFields(copia);
    return copia;
}

RegistroCertificado TTablaCertificados::Actual() const {
    Asentar();
    if (actual_ < 0) return {};
    return ConCalculados(filas_[static_cast<size_t>(vista_[static_cast<size_t>(actual_)])].r);
}

RegistroCertificado TTablaCertificados::Fila(int posicion) const {
    Asentar();
    if (posicion < 0 || posicion >= static_cast<int>(vista_.size())) return {};
    return ConCalculados(filas_[static_cast<size_t>(vista_[static_cast<size_t>(posicion)])].r);
}

Hecho TTablaCertificados::SetIndexName(const QString& nombre) {
    const QString n = nombre.isEmpty() ? QString::fromLatin1(kIndiceInIndice) : nombre;
    bool conocido = false;
    for (const char* i :
         {kIndiceInIndice, kIndiceInEmitidoPara, kIndiceInFechaCaducidad, kIndiceInAlias}) {
        if (n.compare(QLatin1String(i), Qt::CaseInsensitive) == 0) {
            indice_ = QLatin1String(i);
            conocido = true;
        }
    }
    if (!conocido) return Falla("La tabla no tiene el orden \"" + nombre.toStdString() + "\".");
    Asentar();
    const int fila = actual_ >= 0 ? vista_[static_cast<size_t>(actual_)] : -1;
    ReconstruirVista(fila);
    Scroll();
    return {};
}

void TTablaCertificados::SetFiltered(bool filtrado) {
    Asentar();
    filtrado_ = filtrado;
    ReconstruirVista(-1);
    Scroll();
}

void TTablaCertificados::CambiarFiltro(bool filtrado, QString texto, ExpresionFiltro expresion) {
    const bool igual = filtrado_ && filtrado && pasaValido_ && texto == filtro_;
    // While the user types on, the new rows are among those that passed before.
    estrechar_ =
        !igual && filtrado_ && filtrado && pasaValido_ && expresion.MasEstrechaQue(expresion_);
    expresion_ = std::move(expresion);
    filtro_ = std::move(texto);
    filtrado_ = filtrado;
    pasaValido_ = igual;
    ReconstruirVista(-1);
    Scroll();
}

Hecho TTablaCertificados::SetFilter(const QString& expresion) {
    Asentar();
    auto nueva = ExpresionFiltro::Compilar(expresion);
    if (!nueva) return Fallo{nueva.motivo()};
    if (!filtrado_) {
        // Kept for when the switch is set; the view does not change.
        expresion_ = std::move(*nueva);
        filtro_ = expresion;
        pasaValido_ = false;
        estrechar_ = false;
        return {};
    }
    CambiarFiltro(true, expresion, std::move(*nueva));
    return {};
}

Hecho TTablaCertificados::ProgramarFiltro(bool filtrado, const QString& expresion) {
    auto nueva = ExpresionFiltro::Compilar(expresion);
    if (!nueva) return Fallo{nueva.motivo()};
    pendiente_ = Pendiente{filtrado, expresion, std::move(*nueva)};
    // Without an event loop (a tool, a test) the next read applies it.
    if (thread()->eventDispatcher()) temporizador_.start();
    return {};
}

void TTablaCertificados::Asentar() const {
    // Reading the view is what the caller sees; the pending filter belongs to it already.
    if (pendiente_) const_cast<TTablaCertificados*>(this)->AplicarPendiente();
}

void TTablaCertificados::AplicarPendiente() {
    Pendiente p = std::move(*pendiente_);
    pendiente_.reset();
    temporizador_.stop();
    CambiarFiltro(p.filtrado, std::move(p.texto), std::move(p.expresion));
}

}  // namespace marlevanta
