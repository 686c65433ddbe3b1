// The help window: the usage guide and the tips page of the maker's site, in two web views.
#pragma once

#include <QDialog>

class QStackedWidget;
class QToolButton;
class QWebEngineView;

namespace marlevanta {

class TManejadorRegistro;
class TManejadorApi;

// Lower case without surrounding blanks; "about:blank" for anything that does not begin "http".
QString DireccionAyuda(const QString& direccion);

class TfrmAyuda : public QDialog {
    Q_OBJECT

public:
    TfrmAyuda(QWidget* owner, TManejadorRegistro& registro, TManejadorApi* api);

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
