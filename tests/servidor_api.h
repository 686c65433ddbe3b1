#pragma once

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "ayudantes.h"

namespace prueba {

// The test web API server (tests/servidor_api.py) on 127.0.0.1, with its own CA for HTTPS.
class ServidorApi {
public:
    explicit ServidorApi(QStringList argumentos, bool tls = true) {
        const QString d = dir_.path();
        if (tls) {
            prueba::Ejecutar(
                "cd '" + d.toStdString() +
                "' && printf 'subjectAltName=IP:127.0.0.1' > srv.ext && openssl req -x509 -newkey "
                "ec -pkeyopt ec_paramgen_curve:P-256 -nodes "
                "-keyout ca.key -out ca.pem -subj '/CN=CA de pruebas' -days 2 2>/dev/null && "
                "openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout "
                "srv.key "
                "-out srv.csr -subj /CN=127.0.0.1 2>/dev/null && openssl x509 -req -in srv.csr -CA "
                "ca.pem "
                "-CAkey ca.key -CAcreateserial -days 2 -out srv.pem -extfile srv.ext 2>/dev/null");
            argumentos << "--tls" << d + "/srv.pem" << d + "/srv.key";
        }
        argumentos << "--registro" << d + "/registro.txt";
        proceso_.start("python3", QStringList{QString::fromLatin1(MARLEVANTA_TEST_SCRIPTS) +
                                              "/servidor_api.py"} +
                                      argumentos);
        // The server says its port once it listens; a loaded machine may take a while.
        QElapsedTimer reloj;
        reloj.start();
        while (base_.isEmpty() && reloj.elapsed() < 60000 &&
               (proceso_.canReadLine() || proceso_.waitForReadyRead(1000) ||
                proceso_.state() != QProcess::NotRunning)) {
            if (!proceso_.canReadLine()) continue;
            const QByteArray linea = proceso_.readLine().trimmed();
            if (linea.startsWith("PUERTO ")) {
                base_ = QStringLiteral("%1://127.0.0.1:%2")
                            .arg(tls ? "https" : "http")
                            .arg(linea.mid(7).toInt());
            }
        }
        if (base_.isEmpty()) ADD_FAILURE() << "the test web API server never said its port";
    }
    ~ServidorApi() {
        proceso_.kill();
        proceso_.waitForFinished();
    }
    QString Base() const { return base_; }
    std::string Ca() const { return dir_.path().toStdString() + "/ca.pem"; }
    QString Registro() const {
        QFile f(dir_.path() + "/registro.txt");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private:
    QTemporaryDir dir_;
    QProcess proceso_;
    QString base_;
};

}  // namespace prueba
