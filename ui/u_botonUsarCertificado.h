// The large button of the main window: a picture above a caption that wraps onto two lines.
#pragma once

#include <QPushButton>

class QLabel;

namespace marlevanta {

class BotonUsarCertificado : public QPushButton {
    Q_OBJECT

public:
    explicit BotonUsarCertificado(QWidget* parent);
    // The caption as the program builds it, with a carriage return between number and name.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

protected:
    void changeEvent(QEvent* e) override;

private:
    QString caption_;
    QLabel* imagen_;
    QLabel* texto_;
};

}  // namespace marlevanta
