#include "ui/u_rejillaCertificados.h"

#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/u_tablaCertificados.h"
#include "ui/u_colores.h"
#include "ui/u_fuentes.h"
#include "ui/u_modeloCertificados.h"

namespace marlevanta {

namespace {

// The current cell keeps its row's red or blue on the highlight, made readable on it: the pure
// colours all but vanish on the usual blue highlight.
class DelegadoCeldas : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The style draws the cell without its text, and the text is drawn from a laid-out copy kept
    // by text and width: laying out every painted cell's text again (shaping, eliding) was most
    // of a repaint, and typing in the search box repaints the whole grid.
    void paint(QPainter* p, const QStyleOptionViewItem& opcion,
               const QModelIndex& indice) const override {
        QStyleOptionViewItem o = opcion;
        initStyleOption(&o, indice);
        const QWidget* w = o.widget;
        QStyle* estilo = w ? w->style() : QApplication::style();
        const auto otros = QStyleOptionViewItem::HasDecoration |
                           QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::WrapText;
        if (o.text.isEmpty() || (o.features & otros) || o.direction != Qt::LeftToRight ||
            o.textElideMode != Qt::ElideRight) {
            estilo->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
            return;
        }
        const QString texto = std::exchange(o.text, QString());
        estilo->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
        // The same margin and placement as the style gives a cell's text.
        const int margen = estilo->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w) + 1;
        const QRect zona = o.rect.adjusted(margen, 0, -margen, 0);
        if (zona.width() <= 0) return;
        const QStaticText& t = Maquetado(texto, zona.width(), o.font);
        const QRect donde =
            QStyle::alignedRect(o.direction, o.displayAlignment, t.size().toSize(), zona);
        const QPalette::ColorGroup grupo = !(o.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (o.state & QStyle::State_Active) ? QPalette::Normal
                                                                              : QPalette::Inactive;
        p->save();
        p->setClipRect(zona);
        p->setFont(o.font);
        p->setPen(o.palette.color(grupo, (o.state & QStyle::State_Selected)
                                             ? QPalette::HighlightedText
                                             : QPalette::Text));
        p->drawStaticText(donde.topLeft(), t);
        p->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* o, const QModelIndex& indice) const override {
        QStyledItemDelegate::initStyleOption(o, indice);
        const QVariant estado = indice.data(kRolColorEstado);
        if (!estado.isValid()) return;
        for (auto grupo : {QPalette::Active, QPalette::Inactive}) {
            o->palette.setColor(
                grupo, QPalette::HighlightedText,
                Legible(estado.value<QColor>(), o->palette.color(grupo, QPalette::Highlight),
                        kContrasteTexto));
        }
    }

private:
    const QStaticText& Maquetado(const QString& texto, int ancho, const QFont& fuente) const {
        if (fuente != fuente_ || maquetados_.size() > 4000) {
            maquetados_.clear();
            fuente_ = fuente;
        }
        const auto clave = std::make_pair(texto, ancho);
        auto it = maquetados_.find(clave);
        if (it == maquetados_.end()) {
            QStaticText t(QFontMetrics(fuente).elidedText(texto, Qt::ElideRight, ancho));
            t.setTextFormat(Qt::PlainText);
            t.prepare(QTransform(), fuente);
            it = maquetados_.insert(clave, t);
        }
        return *it;
    }

    mutable QHash<std::pair<QString, int>, QStaticText> maquetados_;
    mutable QFont fuente_;
};

// The row markers' column is of a fixed width: the header's own size hint measured the texts of
// up to two hundred rows after every new view, a tenth of a typed character's time.
class CabeceraFilas : public QHeaderView {
public:
    explicit CabeceraFilas(QWidget* padre) : QHeaderView(Qt::Vertical, padre) {}
    QSize sizeHint() const override { return {width(), defaultSectionSize()}; }
};

}  // namespace

RejillaCertificados::RejillaCertificados(TTablaCertificados& tabla, QWidget* parent)
    : QTableView(parent), tabla_(tabla) {
    setObjectName(QStringLiteral("grdCertificados"));
    modelo_ = new ModeloCertificados(tabla_, this);
    setModel(modelo_);
    setItemDelegate(new DelegadoCeldas(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setVerticalHeader(new CabeceraFilas(this));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(16);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("menuGrid"));
    miEditarAlias = menu_->addAction(QStringLiteral("Editar alias (F2)"));
    miEditarAlias->setObjectName(QStringLiteral("miEditarAlias"));
    miVerDetalles = menu_->addAction(QStringLiteral("Ver detalles (F4)"));
    miVerDetalles->setObjectName(QStringLiteral("miVerDetalles"));
    miImportar = menu_->addAction(QStringLiteral("Importar certificado… (Ctrl+I)"));
    miImportar->setObjectName(QStringLiteral("miImportar"));
    miImportarFirefox = menu_->addAction(QStringLiteral("Importar desde Firefox…"));
    miImportarFirefox->setObjectName(QStringLiteral("miImportarFirefox"));
    miImportarFirefox->setVisible(false);
    miExportar = menu_->addAction(QStringLiteral("Exportar lista… (Ctrl+E)"));
    miExportar->setObjectName(QStringLiteral("miExportar"));
    menu_->addSeparator();
    const char* ordenes[] = {"Ordenar por Nº", "Ordenar por Emitido Para", "Ordenar por Alias",
                             "Ordenar por Válido Hasta"};
    const char* nombresOrden[] = {"miOrdenNumero", "miOrdenEmitido", "miOrdenAlias",
                                  "miOrdenValido"};
    for (int tag = 0; tag < 4; ++tag) {
        miOrden[tag] = menu_->addAction(QString::fromUtf8(ordenes[tag]));
        miOrden[tag]->setObjectName(QString::fromLatin1(nombresOrden[tag]));
        miOrden[tag]->setData(tag);
    }
    menu_->addSeparator();
    miApariencia = menu_->addAction(QStringLiteral("Apariencia"));
    miApariencia->setObjectName(QStringLiteral("miApariencia"));
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { menu_->popup(viewport()->mapToGlobal(p)); });

    // The notice over an empty grid: one sentence and, when the store has nothing, the way to
    // put something in it.
    aviso_ = new QWidget(viewport());
    aviso_->setObjectName(QStringLiteral("pnlAviso"));
    auto* capaAviso = new QVBoxLayout(aviso_);
    capaAviso->addStretch(1);
    lblAviso_ = new QLabel(aviso_);
    lblAviso_->setObjectName(QStringLiteral("lblAviso"));
    lblAviso_->setAlignment(Qt::AlignCenter);
    lblAviso_->setWordWrap(true);
    lblAviso_->setFont(Tahoma(15));
    capaAviso->addWidget(lblAviso_);
    btnImportar = new QPushButton(QStringLiteral("Importar certificado…"), aviso_);
    btnImportar->setObjectName(QStringLiteral("btnImportar"));
    btnImportar->setFont(Tahoma(15));
    btnImportar->setToolTip(QStringLiteral("Ctrl+I"));
    btnImportar->setAutoDefault(true);
    capaAviso->addSpacing(12);
    capaAviso->addWidget(btnImportar, 0, Qt::AlignHCenter);
    lblFirefox_ = new QLabel(aviso_);
    lblFirefox_->setObjectName(QStringLiteral("lblFirefox"));
    lblFirefox_->setAlignment(Qt::AlignCenter);
    lblFirefox_->setWordWrap(true);
    lblFirefox_->setFont(Tahoma(13));
    lblFirefox_->hide();
    capaAviso->addSpacing(12);
    capaAviso->addWidget(lblFirefox_);
    btnImportarFirefox = new QPushButton(QStringLiteral("Importar desde Firefox…"), aviso_);
    btnImportarFirefox->setObjectName(QStringLiteral("btnImportarFirefox"));
    btnImportarFirefox->setFont(Tahoma(15));
    btnImportarFirefox->setAutoDefault(true);
    btnImportarFirefox->hide();
    capaAviso->addWidget(btnImportarFirefox, 0, Qt::AlignHCenter);
    capaAviso->addStretch(1);
    aviso_->hide();

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& actual) {
                if (sincronizando_ || !actual.isValid()) return;
                columnaActual_ = actual.column();
                if (actual.row() != tabla_.PosicionMostrada()) tabla_.SetRecNo(actual.row() + 1);
            });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int columna, int, int nuevo) {
                if (nuevo > 0 && columna >= 0 && columna < kColumnasRejilla)
                    anchos_[static_cast<size_t>(columna)] = nuevo;
            });
    // A new view of the table keeps the user's place across the columns.
    connect(modelo_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        desplazamiento_ = horizontalScrollBar()->value();
        reiniciado_ = true;
    });
    connect(modelo_, &QAbstractItemModel::modelReset, this,
            &RejillaCertificados::SincronizarFilaActual);
}

void RejillaCertificados::SincronizarFilaActual() {
    const int fila = tabla_.PosicionMostrada();
    sincronizando_ = true;
    if (fila >= 0) {
        const QModelIndex indice = modelo_->index(fila, columnaActual_);
        setCurrentIndex(indice);
        const int horizontal = reiniciado_ ? desplazamiento_ : horizontalScrollBar()->value();
        scrollTo(indice);
        horizontalScrollBar()->setValue(horizontal);
    }
    sincronizando_ = false;
    reiniciado_ = false;
    modelo_->FijarFilaActual(fila);
}

int RejillaCertificados::TamanoFuenteTitulos() const {
    return horizontalHeader()->font().pointSize();
}

void RejillaCertificados::FijarFuenteGrid(int n) {
    tamanoFuente_ = n;
    const QFont celdas = TahomaPuntos(n);
    setFont(celdas);
    horizontalHeader()->setFont(TahomaPuntos(n + 3));
    verticalHeader()->setDefaultSectionSize(QFontMetrics(celdas).height() + 6);
}

void RejillaCertificados::CambiarAnchoColumnasGrid() {
    anchos_ = AnchosParaFuente(tamanoFuente_);
    for (int i = 0; i < kColumnasRejilla; ++i) setColumnWidth(i, anchos_[static_cast<size_t>(i)]);
}

void RejillaCertificados::AjustarGrid(const AjustesRejilla& ajustes) {
    for (int i = 0; i < 4; ++i) {
        setColumnHidden(4 + i, !ajustes.verColumna[static_cast<size_t>(i)]);
    }
    FijarFuenteGrid(ajustes.tamanoFuente);
    anchos_ = ajustes.anchos;
    for (int i = 0; i < kColumnasRejilla; ++i) setColumnWidth(i, anchos_[static_cast<size_t>(i)]);
}

std::array<bool, kColumnasRejilla> RejillaCertificados::Ocultas() const {
    std::array<bool, kColumnasRejilla> r{};
    for (int i = 0; i < kColumnasRejilla; ++i) r[static_cast<size_t>(i)] = isColumnHidden(i);
    return r;
}

void RejillaCertificados::FijarColumnaResaltada(int columna) {
    modelo_->FijarColumnaResaltada(columna);
}

void RejillaCertificados::MostrarAviso(const QString& texto, bool conImportar) {
    lblAviso_->setText(texto);
    conImportar_ = conImportar;
    btnImportar->setVisible(conImportar);
    OfrecerFirefox(lblFirefox_->text());
    aviso_->setVisible(!texto.isEmpty());
    aviso_->setGeometry(viewport()->rect().adjusted(20, 20, -20, -20));
}

void RejillaCertificados::OfrecerFirefox(const QString& aviso) {
    lblFirefox_->setText(aviso);
    miImportarFirefox->setVisible(!aviso.isEmpty());
    lblFirefox_->setVisible(conImportar_ && !aviso.isEmpty());
    btnImportarFirefox->setVisible(conImportar_ && !aviso.isEmpty());
}

QString RejillaCertificados::AvisoFirefox() const {
    return lblFirefox_->text();
}

QString RejillaCertificados::Aviso() const {
    return aviso_->isVisible() ? lblAviso_->text() : QString();
}

void RejillaCertificados::resizeEvent(QResizeEvent* e) {
    QTableView::resizeEvent(e);
    aviso_->setGeometry(viewport()->rect().adjusted(20, 20, -20, -20));
}

}  // namespace marlevanta
