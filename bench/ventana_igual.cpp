// A peer of the start-up benchmark: the main window's controls and thirty-four rows of the same
// shape, built the plain way (fixed geometry, a QStandardItemModel, the application's font), with
// no settings, checks or store behind them. It ends at the window's first paint.
// With --etiqueta it shows one label only: what the first line of text costs over an empty window.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <cstring>

#include "al_pintar.h"

namespace {

QFont Fuente(int pixeles, bool negrita = false) {
    QFont f;
    f.setPixelSize(pixeles);
    f.setBold(negrita);
    return f;
}

QLabel* Etiqueta(const QString& texto, QWidget* padre, QRect donde, int pixeles = 0,
                 bool negrita = false) {
    auto* l = new QLabel(texto, padre);
    l->setGeometry(donde);
    l->setAlignment(Qt::AlignCenter);
    if (pixeles) l->setFont(Fuente(pixeles, negrita));
    return l;
}

QWidget* Panel(QWidget* padre) {
    auto* p = new QWidget(padre);
    p->setFixedWidth(237);
    QPixmap logo(96, 96);
    logo.fill(Qt::transparent);
    {
        QPainter pintor(&logo);
        pintor.setRenderHint(QPainter::Antialiasing);
        pintor.setBrush(QColor(0, 90, 160));
        pintor.drawEllipse(4, 4, 88, 88);
    }
    auto* l = new QLabel(p);
    l->setGeometry(70, 8, 96, 96);
    l->setPixmap(logo);
    Etiqueta(QStringLiteral("Marlevanta"), p, {4, 105, 229, 23}, 17, true);
    Etiqueta(QStringLiteral("Buscador de Certificados SSL"), p, {4, 124, 229, 23}, 15);
    (new QLabel(QStringLiteral("Buscar (F3):"), p))->setGeometry(8, 169, 219, 15);
    (new QLineEdit(p))->setGeometry(8, 185, 219, 24);
    (new QPushButton(QStringLiteral("Borrar búsqueda (F8)"), p))->setGeometry(8, 213, 219, 27);
    const char* casillas[] = {"Sólo certificados cliente", "Ocultar certificados caducados",
                              "Sólo próximos a caducar"};
    for (int i = 0; i < 3; ++i) {
        (new QCheckBox(QString::fromUtf8(casillas[i]), p))->setGeometry(26, 246 + 17 * i, 201, 17);
    }
    auto* orden = new QComboBox(p);
    orden->setGeometry(8, 310, 219, 24);
    for (const char* o : {"Ordenado por Nº", "Ordenado por Emitido para", "Ordenado por Alias",
                          "Ordenado por Válido hasta"})
        orden->addItem(QString::fromUtf8(o));
    auto* usar = new QPushButton(QStringLiteral("Usar certificado\n(Intro)"), p);
    usar->setGeometry(7, 340, 221, 137);
    usar->setFont(Fuente(15));
    (new QPushButton(QStringLiteral("Editar Alias (F2)"), p))->setGeometry(8, 482, 219, 25);
    Etiqueta(QStringLiteral("Marlevanta está actualizado"), p, {7, 592, 219, 14}, 11);
    const QStyle::StandardPixmap iconos[] = {
        QStyle::SP_DialogHelpButton, QStyle::SP_FileDialogDetailedView,
        QStyle::SP_MessageBoxInformation, QStyle::SP_DialogCloseButton};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(p);
        b->setAutoRaise(true);
        b->setIcon(p->style()->standardIcon(iconos[i]));
        b->setIconSize(QSize(32, 32));
        b->setGeometry(6 + 58 * i, 614, 48, 48);
    }
    return p;
}

QTableView* Rejilla(QWidget* padre) {
    auto* modelo = new QStandardItemModel(34, 8, padre);
    modelo->setHorizontalHeaderLabels(
        {QStringLiteral("Nº"), QStringLiteral("Emitido para"), QStringLiteral("Alias"),
         QStringLiteral("Válido hasta"), QStringLiteral("Email"), QStringLiteral("Emitido por"),
         QStringLiteral("Válido desde"), QStringLiteral("Propósitos planteados")});
    for (int f = 0; f < 34; ++f) {
        const QString n = QString::number(f + 1);
        const QString textos[] = {n,
                                  QStringLiteral("GARCÍA LÓPEZ MARÍA %1 - 12345678Z").arg(n),
                                  QStringLiteral("Cliente %1").arg(n),
                                  QStringLiteral("12/08/2027"),
                                  QStringLiteral("cliente%1@correo.example").arg(n),
                                  QStringLiteral("AC Usuarios"),
                                  QStringLiteral("12/08/2025"),
                                  QStringLiteral("clientAuth,emailProtection")};
        for (int c = 0; c < 8; ++c) modelo->setItem(f, c, new QStandardItem(textos[c]));
    }
    auto* vista = new QTableView(padre);
    vista->setModel(modelo);
    vista->setSelectionBehavior(QAbstractItemView::SelectRows);
    vista->setFont(Fuente(13));
    vista->horizontalHeader()->setFont(Fuente(15));
    vista->setSortingEnabled(true);
    return vista;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget ventana;
    ventana.setWindowTitle(QStringLiteral("Marlevanta"));
    ventana.setMinimumSize(950, 670);
    if (argc > 1 && std::strcmp(argv[1], "--etiqueta") == 0) {
        (new QHBoxLayout(&ventana))->addWidget(new QLabel(QStringLiteral("Marlevanta"), &ventana));
    } else {
        auto* capa = new QHBoxLayout(&ventana);
        capa->setContentsMargins(0, 0, 0, 0);
        capa->setSpacing(0);
        capa->addWidget(Panel(&ventana));
        capa->addWidget(Rejilla(&ventana), 1);
    }
    AlPintar alPintar;
    ventana.installEventFilter(&alPintar);
    ventana.show();
    return app.exec();
}
