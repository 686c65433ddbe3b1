#include "ui/u_frmAyuda.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "ui/u_ventanas.h"

namespace marlevanta {

QWebEngineView* TfrmAyuda::Vista(QWidget* pagina) {
    auto* capa = new QVBoxLayout(pagina);
    capa->setContentsMargins(3, 3, 3, 3);
    auto* vista = new QWebEngineView(pagina);
    vista->setFocusPolicy(Qt::NoFocus);
    capa->addWidget(vista);
    // A page that cannot be loaded shows nothing rather than an error page.
    connect(vista, &QWebEngineView::loadFinished, vista, [vista](bool ok) {
        if (!ok && vista->url() != QUrl(QStringLiteral("about:blank")))
            vista->setUrl(QUrl(QStringLiteral("about:blank")));
    });
    // The busy cursor while a page works.
    connect(vista, &QWebEngineView::loadStarted, this, [this] { setCursor(Qt::BusyCursor); });
    connect(vista, &QWebEngineView::loadFinished, this, [this] { unsetCursor(); });
    return vista;
}

TfrmAyuda::TfrmAyuda(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAyuda"));
    setWindowTitle(QStringLiteral("Ayuda de Marlevanta"));
    setFixedSize(828, 461);
    auto* capa = new QHBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(0);
    auto* panel1 = PanelBlanco(this, 149);
    auto* botones = new QVBoxLayout(panel1);
    btnUso_ = BotonLateral(panel1, "btnUso", "Uso", QStyle::SP_DialogHelpButton);
    btnTrucos_ = BotonLateral(panel1, "btnTrucos", "Trucos", QStyle::SP_MessageBoxInformation);
    btnSalir_ = BotonLateral(panel1, "btnSalir", "Salir", QStyle::SP_DialogCloseButton);
    botones->addWidget(btnUso_);
    botones->addWidget(btnTrucos_);
    botones->addStretch(1);
    botones->addWidget(btnSalir_);
    capa->addWidget(panel1);
    pgSecciones_ = new QStackedWidget(this);
    auto* tbsUso = new QWidget(pgSecciones_);
    auto* tbsTrucos = new QWidget(pgSecciones_);
    wbUso_ = Vista(tbsUso);
    wbTrucos_ = Vista(tbsTrucos);
    pgSecciones_->addWidget(tbsUso);
    pgSecciones_->addWidget(tbsTrucos);
    pgSecciones_->setCurrentIndex(0);
    capa->addWidget(pgSecciones_, 1);
    connect(btnUso_, &QToolButton::clicked, this, [this] { pgSecciones_->setCurrentIndex(0); });
    connect(btnTrucos_, &QToolButton::clicked, this, [this] { pgSecciones_->setCurrentIndex(1); });
    connect(btnSalir_, &QToolButton::clicked, this, &QDialog::accept);

    CentrarSobre(this, owner);
}

void TfrmAyuda::Navegar(const QString& uso, const QString& trucos) {
    direccionUso_ = uso;
    direccionTrucos_ = trucos;
    wbUso_->setUrl(QUrl(direccionUso_));
    wbTrucos_->setUrl(QUrl(direccionTrucos_));
}

void TfrmAyuda::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        btnSalir_->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace marlevanta

extern "C" Q_DECL_EXPORT QDialog* CrearAyuda(QWidget* owner) {
    return new marlevanta::TfrmAyuda(owner);
}
