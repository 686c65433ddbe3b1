// The small frameless dialog in which the user types a certificate's alias.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace marlevanta {

// Without leading and trailing blanks and control characters.
QString Recortar(const QString& texto);

class TfrmEditarAlias : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditarAlias(QWidget* owner);

    QLabel* lblCertificado() const { return lblCertificado_; }
    QLineEdit* edtAlias() const { return edtAlias_; }
    QPushButton* btnSalir() const { return btnSalir_; }
    QToolButton* btnCerrar() const { return btnCerrar_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QLabel* lblCertificado_;
    QLineEdit* edtAlias_;
    QPushButton* btnSalir_;
    QToolButton* btnCerrar_;
};

}  // namespace marlevanta
