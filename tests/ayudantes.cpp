#include "ayudantes.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace prueba {

std::string Ejecutar(const std::string& orden) {
    std::string salida;
    FILE* p = popen(orden.c_str(), "r");
    if (!p) {
        ADD_FAILURE() << "cannot run " << orden;
        return {};
    }
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) salida.append(buffer.data(), n);
    const int estado = pclose(p);
    EXPECT_EQ(estado, 0) << orden << "\n" << salida;
    return salida;
}

std::string Script(const std::string& nombre) {
    return std::string(MARLEVANTA_TEST_SCRIPTS) + "/" + nombre;
}

Entorno::Entorno(const char* nombre, const std::string& valor) : nombre_(nombre) {
    const char* v = std::getenv(nombre);
    habia_ = v != nullptr;
    if (v) anterior_ = v;
    setenv(nombre, valor.c_str(), 1);
}

Entorno::~Entorno() {
    if (habia_) {
        setenv(nombre_.c_str(), anterior_.c_str(), 1);
    } else {
        unsetenv(nombre_.c_str());
    }
}

NavegadorVivo::NavegadorVivo(const std::string& ruta) {
    std::filesystem::create_symlink("/bin/sleep", ruta);
    p_.start(QString::fromStdString(ruta), {QStringLiteral("600")});
    EXPECT_TRUE(p_.waitForStarted()) << ruta;
    // Until the new program has replaced the one that started it, /proc shows the test's own
    // command line, and the process would not pass for a browser.
    const QByteArray nombre = QByteArray::fromStdString(ruta);
    const bool visto = EsperarQue([&] {
        QFile orden(QStringLiteral("/proc/%1/cmdline").arg(p_.processId()));
        return orden.open(QIODevice::ReadOnly) && orden.readAll().startsWith(nombre);
    });
    EXPECT_TRUE(visto) << "the browser stand-in " << ruta << " never showed in /proc";
}

NavegadorVivo::~NavegadorVivo() {
    p_.kill();
    p_.waitForFinished();
}

void NavegadorVivo::Bloquear(const std::string& perfil) const {
    char equipo[256] = {};
    gethostname(equipo, sizeof equipo - 1);
    std::filesystem::create_symlink(std::string(equipo) + "-" + std::to_string(pid()),
                                    perfil + "/SingletonLock");
}

const BaseNss& BaseNssCompartida() {
    static const std::unique_ptr<BaseNss> base = [] {
        auto b = std::make_unique<BaseNss>();
        b->directorio = b->home.path().toStdString() + "/.pki/nssdb";
        const std::string salida =
            Ejecutar("bash " + Script("crear_nssdb.sh") + " '" + b->directorio + "' '" +
                     b->home.path().toStdString() + "/trabajo' 2>&1");
        std::istringstream lineas(salida);
        std::string linea;
        while (std::getline(lineas, linea)) {
            const auto tab = linea.find('\t');
            if (tab != std::string::npos && linea.size() - tab - 1 == 40) {
                b->certificados.emplace_back(linea.substr(0, tab), linea.substr(tab + 1));
            }
        }
        return b;
    }();
    return *base;
}

const std::string& CarpetaP12() {
    static const QTemporaryDir dir;
    static const std::string carpeta = [] {
        const std::string c = dir.path().toStdString();
        Ejecutar("bash " + Script("crear_p12.sh") + " '" + c + "' 2>&1");
        return c;
    }();
    return carpeta;
}

std::string OpenSsl(const std::string& pem, const std::string& opciones) {
    std::string r = Ejecutar("openssl x509 -in '" + pem + "' " + opciones);
    while (!r.empty() && r.back() == '\n') r.pop_back();
    return r;
}

constexpr uid_t kNadieUid = 65534;

void RepetirComoNadie(const QProcessEnvironment& entorno) {
    const testing::TestInfo* t = testing::UnitTest::GetInstance()->current_test_info();
    QTemporaryDir casa, copia;
    ASSERT_EQ(chown(casa.path().toLocal8Bit().constData(), kNadieUid, kNadieUid), 0);
    const QString programa = copia.path() + "/marlevanta_tests";
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), programa));
    // The modules go with it, as they do beside an installed program.
    for (const char* modulo : {"/libmarlevanta_http.so", "/libmarlevanta_nss.so"}) {
        ASSERT_TRUE(
            QFile::copy(QCoreApplication::applicationDirPath() + modulo, copia.path() + modulo));
    }
    ASSERT_EQ(chmod(copia.path().toLocal8Bit().constData(), 0755), 0);
    ASSERT_EQ(chmod(programa.toLocal8Bit().constData(), 0755), 0);
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char* v :
         {"MARLEVANTA_POLICY_ROOT", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        e.remove(v);
    }
    e.insert("HOME", casa.path());
    e.insert(entorno);
    p.setProcessEnvironment(e);
    p.setWorkingDirectory(casa.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setChildProcessModifier([] {
        if (setgroups(0, nullptr) != 0 || setgid(kNadieUid) != 0 || setuid(kNadieUid) != 0)
            _exit(97);
    });
    p.start(programa,
            {QStringLiteral("--gtest_filter=%1.%2").arg(t->test_suite_name(), t->name())});
    ASSERT_TRUE(p.waitForStarted()) << "an unprivileged user cannot run " << programa.toStdString()
                                    << ": " << p.errorString().toStdString();
    ASSERT_TRUE(p.waitForFinished(180000));
    const QString salida = QString::fromUtf8(p.readAll());
    EXPECT_EQ(p.exitCode(), 0) << salida.toStdString();
    EXPECT_TRUE(salida.contains("[  PASSED  ] 1 test.")) << salida.toStdString();
}

std::string Rfc822(const QDate& dia) {
    return QLocale::c().toString(dia, "ddd, dd MMM yyyy").toStdString() + " 12:00:00 GMT";
}

marlevanta::DatosCertificado Certificado(const std::string& nombre, const QDate& hasta,
                                         const std::string& huella) {
    marlevanta::DatosCertificado d;
    d.validoDesde = "Mon, 01 Jan 2024 00:00:00 GMT";
    d.validoHasta = hasta.isValid() ? Rfc822(hasta) : "sin fecha";
    d.emitidoPara = nombre;
    d.emitidoPor = "AC Pruebas";
    d.huella = huella;
    d.huellaSha256 = huella + "256";
    return d;
}

std::string Citado(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

std::string HuellaPem(const std::string& pem, const std::string& algoritmo) {
    std::string h = OpenSsl(pem, "-noout -fingerprint -" + algoritmo);
    h = h.substr(h.find('=') + 1);
    h.erase(std::remove(h.begin(), h.end(), ':'), h.end());
    return h;
}

std::map<std::string, std::string> HuellasArchivos(const std::string& carpeta) {
    std::map<std::string, std::string> r;
    for (const auto& e : std::filesystem::directory_iterator(carpeta)) {
        QFile f(QString::fromStdString(e.path().string()));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << e.path();
        r[e.path().filename().string()] =
            QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex().toStdString();
    }
    return r;
}

void BaseFirefox(const std::string& carpeta, const std::string& contrasena,
                 const std::vector<std::pair<std::string, std::string>>& p12) {
    std::filesystem::create_directories(carpeta);
    QTemporaryDir tmp;
    const std::string pw = tmp.path().toStdString() + "/pw";
    std::ofstream(pw) << contrasena << "\n";
    Ejecutar("certutil -N -d " + Citado("sql:" + carpeta) + " -f " + Citado(pw) + " 2>&1");
    for (const auto& [nombre, clave] : p12) {
        Ejecutar("pk12util -i " + Citado(CarpetaP12() + "/" + nombre + ".p12") + " -d " +
                 Citado("sql:" + carpeta) + " -W " + Citado(clave) + " -k " + Citado(pw) + " 2>&1");
    }
}

int PuertoLibre() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t largo = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &largo);
    close(s);
    return ntohs(a.sin_port);
}

}  // namespace prueba
