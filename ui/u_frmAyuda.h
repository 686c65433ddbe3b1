// The help window: the usage guide and the tips page of the maker's site, in two web views.
// It lives in a module of its own, loaded at the first F1, so that starting the program does not
// load the web engine.
#pragma once

#include <QCoreApplication>
#include <QDialog>

class QStackedWidget;
class QToolButton;
class QWebEngineView;

namespace marlevanta {

// What the help's web engine, loaded later, needs before the application exists; called while
// the process has one thread. The engine shares its drawing contexts with the windows. And it adds
// a variable to the environment when it starts: an addition may move the environment's table and
// free the old one while another thread reads it (libcurl's proxy variables, a library's start-up
// code); set now, the engine's write only replaces the value.
inline void PrepararMotorAyuda() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (!qEnvironmentVariableIsSet("force_s3tc_enable")) qputenv("force_s3tc_enable", "true");
}

class TfrmAyuda : public QDialog {
    Q_OBJECT

public:
    // Opens blank; the pages come with Navegar, once their addresses are known.
    explicit TfrmAyuda(QWidget* owner);

    Q_INVOKABLE void Navegar(const QString& uso, const QString& trucos);

    QWebEngineView* wbUso() const { return wbUso_; }
    QWebEngineView* wbTrucos() const { return wbTrucos_; }
    QStackedWidget* pgSecciones() const { return pgSecciones_; }
    QToolButton* btnUso() const { return btnUso_; }
    QToolButton* btnTrucos() const { return btnTrucos_; }
    QToolButton* btnSalir() const { return btnSalir_; }
    QString DireccionUso() const { return direccionUso_; }
    QString DireccionTrucos() const { return direccionTrucos_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QWebEngineView* Vista(QWidget* pagina);

    QStackedWidget* pgSecciones_;
    QWebEngineView* wbUso_;
    QWebEngineView* wbTrucos_;
    QToolButton* btnUso_;
    QToolButton* btnTrucos_;
    QToolButton* btnSalir_;
    QString direccionUso_;
    QString direccionTrucos_;
};

}  // namespace marlevanta

// The module's entry: makes the window, to be shown modally by the caller, who hands it the
// addresses through its invokable Navegar(QString, QString).
extern "C" Q_DECL_EXPORT QDialog* CrearAyuda(QWidget* owner);
using FuncionCrearAyuda = QDialog* (*)(QWidget*);
