#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <climits>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/u_ajustesVentana.h"
#include "core/u_manejadorRegistro.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"

using namespace marlevanta;
using namespace std::chrono_literals;

namespace {

class Registro : public testing::Test {
protected:
    void SetUp() override {
        xdg_ = std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", dir_.path().toStdString());
    }

    std::unique_ptr<TManejadorRegistro> Nuevo(TamanoPantalla pantalla = {1920, 1080},
                                              std::chrono::milliseconds espera = 5s) {
        return std::make_unique<TManejadorRegistro>(CrearRegistroSqlite(Archivo(), espera),
                                                    [pantalla] { return pantalla; });
    }
    std::string Archivo() const { return RutaRegistroSqlite(); }

    // Direct SQL on the database file, as another program would do it.
    void Sql(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(Archivo().c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    int Contar(const std::string& sql) {
        sqlite3* db = nullptr;
        sqlite3_open(Archivo().c_str(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
        sqlite3_finalize(st);
        sqlite3_close(db);
        return n;
    }

    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> xdg_;
};

}  // namespace

TEST_F(Registro, PrimerArranqueCreaUnValorPorAjusteYCentraLaVentana) {
    EXPECT_EQ(Archivo(), dir_.path().toStdString() + "/Velquorin/marlevanta/registry.db");
    auto r = Nuevo();
    EXPECT_TRUE(r->IniciarValoresSiNoExisten());
    EXPECT_EQ(Contar("SELECT count(*) FROM valores"), static_cast<int>(TodosLosAjustes().size()));
    EXPECT_EQ(r->LeerValor("NavegadorPoliticaSistema"), "0");  // the profile's rule alone
    for (const Ajuste* a : TodosLosAjustes()) {
        if (*a->porDefecto) {
            EXPECT_EQ(r->LeerValor(a->clave), a->porDefecto) << a->clave;
        }
    }
    EXPECT_EQ(r->LeerValor("FormTop"), "270");
    EXPECT_EQ(r->LeerValor("FormLeft"), "510");
    EXPECT_EQ(r->LeerValor("GridAnchoColumnas"), "50,400,200,120,250,300,120,350");
    EXPECT_EQ(Contar("SELECT count(*) FROM claves WHERE ruta_plegada LIKE '%alias'"), 0);

    // A screen smaller than the window, in a fresh store.
    Sql("DELETE FROM valores");
    auto pequena = Nuevo({640, 480});
    EXPECT_TRUE(pequena->IniciarValoresSiNoExisten());
    EXPECT_EQ(pequena->LeerValor("FormTop"), "0");
    EXPECT_EQ(pequena->LeerValor("FormLeft"), "0");
}

TEST_F(Registro, UnValorQueExisteNoSeTocaAunqueEsteVacioOSeaDeOtroTipo) {
    auto r = Nuevo();
    EXPECT_TRUE(r->EscribirValor("ApiHost", ""));
    EXPECT_TRUE(r->EscribirValor("FormHeight", "800"));
    EXPECT_TRUE(r->EscribirValor("FormWidth", "1000"));
    Sql("INSERT INTO valores VALUES('software\\velquorin\\marlevanta', 'gridtamanofuente', "
        "'GridTamanoFuente', 4, x'0C000000')");
    EXPECT_TRUE(r->IniciarValoresSiNoExisten());
    EXPECT_EQ(r->LeerValor("ApiHost"), "");
    EXPECT_EQ(r->LeerValor("FormTop"), "140");  // from the stored height, not the default
    EXPECT_EQ(r->LeerValor("FormLeft"), "460");
    EXPECT_EQ(Contar("SELECT tipo FROM valores WHERE nombre_plegado = 'gridtamanofuente'"), 4);
}

TEST_F(Registro, AltoQueNoEsNumeroNoImpideCrearLosDemas) {
    auto r = Nuevo();
    EXPECT_TRUE(r->EscribirValor("FormHeight", "abc"));
    const auto h = r->IniciarValoresSiNoExisten();
    EXPECT_FALSE(h);
    EXPECT_EQ(h.motivo(), "\"abc\" no es un número entero");
    // Everything else is written, also what comes after the height and the left edge.
    EXPECT_EQ(r->LeerValor("FormWidth"), "900");
    EXPECT_EQ(r->LeerValor("FormTop"), "");
    EXPECT_EQ(r->LeerValor("FormLeft"), "510");
    // The store is not left locked by the interrupted operation.
    EXPECT_TRUE(r->EscribirValor("FormHeight", "600"));
    EXPECT_TRUE(r->IniciarValoresSiNoExisten());
    EXPECT_EQ(r->LeerValor("FormTop"), "240");
}

TEST_F(Registro, LeerNoCreaNadaSalvoLaClaveDeAlias) {
    auto r = Nuevo();
    EXPECT_EQ(r->LeerValor("NuncaEscrito"), "");
    EXPECT_FALSE(std::filesystem::exists(Archivo()));
    EXPECT_TRUE(r->EscribirValor("FormMaximized", "1"));
    EXPECT_EQ(r->LeerValor("NuncaEscrito"), "");
    EXPECT_EQ(Contar("SELECT count(*) FROM valores"), 1);

    EXPECT_EQ(r->LeerAlias("F91104C74D21BA7B561E128370CB2057EF56759D"), "");
    EXPECT_EQ(Contar("SELECT count(*) FROM claves WHERE ruta_plegada LIKE '%\\alias'"), 1);
    EXPECT_EQ(Contar("SELECT count(*) FROM valores"), 1);

    EXPECT_TRUE(r->EscribirAlias("DEMO-3", "  "));
    EXPECT_TRUE(r->EscribirAlias("DEMO-4", ""));
    EXPECT_EQ(r->LeerAlias("DEMO-3"), "  ");
    EXPECT_EQ(r->LeerAlias("DEMO-4"), "");
    EXPECT_EQ(Contar("SELECT count(*) FROM valores"), 3);  // an empty alias is still a value
}

TEST_F(Registro, LosNombresNoDistinguenMayusculasNiEnLetrasAcentuadas) {
    auto r = Nuevo();
    EXPECT_TRUE(r->EscribirValor("GridTamanoFuente", "12"));
    EXPECT_TRUE(r->EscribirValor("gridtamanofuente", "14"));
    EXPECT_EQ(r->LeerValor("GRIDTAMANOFUENTE"), "14");
    EXPECT_TRUE(r->EscribirAlias("Ñandú-Á", "uno"));
    EXPECT_EQ(r->LeerAlias("ñANDÚ-á"), "uno");
    EXPECT_EQ(Contar("SELECT count(*) FROM valores"), 2);
    // The name keeps the spelling of its first write, as the registry does.
    EXPECT_EQ(Contar("SELECT count(*) FROM valores WHERE nombre = 'GridTamanoFuente'"), 1);
}

TEST_F(Registro, TiposDeValor) {
    auto r = Nuevo();
    ASSERT_TRUE(r->EscribirValor("X", "x"));
    Sql("INSERT INTO valores VALUES('software\\velquorin\\marlevanta', 'expandido', 'Expandido', "
        "2, "
        "'%HOME%\\ayuda')");
    Sql("INSERT INTO valores VALUES('software\\velquorin\\marlevanta', 'connulo', 'ConNulo', 1, "
        "CAST(x'6162630064656600' AS BLOB))");
    Sql("INSERT INTO valores VALUES('software\\velquorin\\marlevanta', 'numero', 'Numero', 4, "
        "x'0A000000')");
    EXPECT_EQ(r->LeerValor("Expandido"), "%HOME%\\ayuda");  // not expanded
    EXPECT_EQ(r->LeerValor("ConNulo"), "abc");              // ends at the first null
    EXPECT_EQ(r->LeerValor("numero").motivo(), TextoErrorTipo("numero"));
    Sql("INSERT INTO valores VALUES('software\\velquorin\\marlevanta\\alias', 'demo-1', 'DEMO-1', "
        "3, "
        "x'00')");
    EXPECT_EQ(r->LeerAlias("DEMO-1").motivo(), TextoErrorTipo("DEMO-1"));
    EXPECT_TRUE(r->EscribirAlias("DEMO-1", "reemplazado"));  // a write replaces any type
    EXPECT_EQ(r->LeerAlias("DEMO-1"), "reemplazado");
}

TEST_F(Registro, BaseDeDatosCorruptaNoSeTocaYNoRompeNada) {
    std::filesystem::create_directories(std::filesystem::path(Archivo()).parent_path());
    const std::string basura(8192, '\x5a');
    std::ofstream(Archivo(), std::ios::binary) << basura;
    auto r = Nuevo();
    const auto h = r->IniciarValoresSiNoExisten();
    EXPECT_FALSE(h);
    // The reason names what is wrong with the file, for the message the user gets.
    EXPECT_NE(h.motivo().find("no es una base de datos"), std::string::npos) << h.motivo();
    EXPECT_FALSE(r->LeerValor("FormTop"));
    EXPECT_FALSE(r->EscribirValor("FormTop", "1"));
    EXPECT_FALSE(r->LeerAlias("DEMO-1"));
    EXPECT_FALSE(r->EscribirAlias("DEMO-1", "x"));
    EXPECT_EQ(r->Ubicacion(), Archivo());
    QFile f(QString::fromStdString(Archivo()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), basura);
}

TEST_F(Registro, BaseDeDatosBloqueadaPorOtroProcesoNoPierdeNada) {
    auto r = Nuevo({1920, 1080}, 200ms);
    ASSERT_TRUE(r->IniciarValoresSiNoExisten());
    ASSERT_TRUE(r->EscribirAlias("DEMO-2", "antes"));

    int listo[2], seguir[2];
    ASSERT_EQ(pipe(listo), 0);
    ASSERT_EQ(pipe(seguir), 0);
    const pid_t hijo = fork();
    if (hijo == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(Archivo().c_str(), &db);
        const int rc = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        char c = rc == SQLITE_OK ? 'k' : 'e';
        (void)!write(listo[1], &c, 1);
        (void)!read(seguir[0], &c, 1);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(listo[0], &c, 1), 1);
    ASSERT_EQ(c, 'k');
    EXPECT_FALSE(r->EscribirValor("FormTop", "5"));
    const auto bloqueado = r->EscribirAlias("DEMO-2", "durante");
    EXPECT_FALSE(bloqueado);
    EXPECT_NE(bloqueado.motivo().find("bloqueado"), std::string::npos) << bloqueado.motivo();
    const std::string leido = r->LeerValor("FormTop").valor_o("<fallo>");
    EXPECT_TRUE(leido == "270" || leido.empty()) << leido;
    (void)!write(seguir[1], &c, 1);
    int estado = 0;
    waitpid(hijo, &estado, 0);
    EXPECT_EQ(r->LeerValor("FormTop"), "270");
    EXPECT_EQ(r->LeerAlias("DEMO-2"), "antes");
    EXPECT_TRUE(r->EscribirValor("FormTop", "5"));
    EXPECT_EQ(r->LeerValor("FormTop"), "5");
    for (int fd : {listo[0], listo[1], seguir[0], seguir[1]}) close(fd);
}

TEST_F(Registro, BaseDeDatosDeSoloLecturaLeeYNoEscribe) {
    auto r = Nuevo();
    ASSERT_TRUE(r->IniciarValoresSiNoExisten());
    r.reset();
    // Tests run as root, who may write anything: the check runs as an unprivileged user.
    // Only the file is out of reach: its folder stays writable, as in a user's own config folder.
    for (auto p = std::filesystem::path(Archivo()).parent_path();
         p.string().size() >= dir_.path().toStdString().size(); p = p.parent_path()) {
        std::filesystem::permissions(p, std::filesystem::perms::all);
    }
    for (const char* sufijo : {"", "-wal", "-shm"}) {
        std::error_code ec;
        std::filesystem::permissions(Archivo() + sufijo, std::filesystem::perms(0644), ec);
    }
    const pid_t hijo = fork();
    if (hijo == 0) {
        if (getuid() == 0 && setuid(65534) != 0) _exit(10);
        TManejadorRegistro lector(CrearRegistroSqlite(Archivo(), 200ms), nullptr);
        int fallos = 0;
        fallos += lector.LeerValor("FormTop") == "270" ? 0 : 1;
        fallos += lector.EscribirValor("FormTop", "1") ? 2 : 0;
        const auto alias = lector.EscribirAlias("DEMO-1", "x");
        fallos += alias ? 4 : 0;
        fallos += alias.motivo().find("solo lectura") == std::string::npos ? 16 : 0;
        fallos += lector.IniciarValoresSiNoExisten() ? 8 : 0;
        _exit(fallos);
    }
    int estado = 0;
    waitpid(hijo, &estado, 0);
    ASSERT_TRUE(WIFEXITED(estado));
    EXPECT_EQ(WEXITSTATUS(estado), 0);
    EXPECT_EQ(Nuevo()->LeerValor("FormTop"), "270");
}

TEST_F(Registro, LosAjustesSonSoloDeSuUsuarioTambienLosDeAntes) {
    namespace fs = std::filesystem;
    const auto modo = [](const std::string& ruta) {
        return static_cast<int>(fs::status(ruta).permissions() & fs::perms::all);
    };
    const std::string carpeta = fs::path(Archivo()).parent_path().string();
    ASSERT_TRUE(Nuevo()->EscribirAlias("DEMO-1", "Cliente"));
    EXPECT_EQ(modo(carpeta), 0700);
    for (const char* sufijo : {"", "-wal", "-shm"}) {
        if (fs::exists(Archivo() + sufijo)) {
            EXPECT_EQ(modo(Archivo() + sufijo), 0600) << sufijo;
        }
    }
    // As earlier versions left them: readable by every user of the machine.
    fs::permissions(carpeta, fs::perms(0755));
    fs::permissions(Archivo(), fs::perms(0644));
    EXPECT_EQ(Nuevo()->LeerAlias("DEMO-1"), "Cliente");
    EXPECT_EQ(modo(carpeta), 0700);
    EXPECT_EQ(modo(Archivo()), 0600);
}

TEST_F(Registro, DosCopiasEscribiendoALaVezNoPierdenNada) {
    ASSERT_TRUE(Nuevo()->IniciarValoresSiNoExisten());
    constexpr int kPorCopia = 150;
    pid_t hijos[2];
    for (int copia = 0; copia < 2; ++copia) {
        hijos[copia] = fork();
        if (hijos[copia] == 0) {
            TManejadorRegistro r(CrearRegistroSqlite(Archivo()), nullptr);
            int fallos = 0;
            for (int i = 0; i < kPorCopia; ++i) {
                const std::string n = std::to_string(copia) + "-" + std::to_string(i);
                if (!r.EscribirAlias("CLAVE-" + n, "alias " + n)) ++fallos;
                if (!r.EscribirValor("Copia" + std::to_string(copia), n)) ++fallos;
            }
            _exit(fallos > 0 ? 1 : 0);
        }
    }
    for (pid_t h : hijos) {
        int estado = 0;
        waitpid(h, &estado, 0);
        EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
    }
    auto r = Nuevo();
    for (int copia = 0; copia < 2; ++copia) {
        for (int i = 0; i < kPorCopia; ++i) {
            const std::string n = std::to_string(copia) + "-" + std::to_string(i);
            ASSERT_EQ(r->LeerAlias("CLAVE-" + n), "alias " + n);
        }
        EXPECT_EQ(r->LeerValor("Copia" + std::to_string(copia)),
                  std::to_string(copia) + "-" + std::to_string(kPorCopia - 1));
    }
}

TEST_F(Registro, BorrarUnaClaveSeLlevaSusSubclavesYNadaMas) {
    auto registro = CrearRegistroSqlite(Archivo());
    const std::string politica =
        "\\Software\\Policies\\Google\\Chrome\\AutoSelectCertificateForUrls";
    const auto escribir = [&](const std::string& ruta, const char* nombre, const char* valor) {
        auto clave = registro->AbrirEscritura(ruta);
        ASSERT_TRUE(clave);
        ASSERT_TRUE((*clave)->EscribirTexto(nombre, valor));
        ASSERT_TRUE((*clave)->Cerrar());
    };
    escribir(politica + "\\Otra", "x", "y");
    escribir(politica, "1", "{}");
    escribir(politica + "Bis", "1", "queda");  // a sibling whose name starts the same

    EXPECT_EQ(
        registro->BorrarArbol("software\\policies\\google\\chrome\\autoselectcertificateforurls"),
        true);
    const auto existe = [&](const std::string& ruta) {
        auto c = registro->AbrirLectura(ruta);
        return c.ok() && *c != nullptr;
    };
    EXPECT_FALSE(existe(politica));
    EXPECT_FALSE(existe(politica + "\\Otra"));
    auto hermana = registro->AbrirLectura(politica + "Bis");
    ASSERT_TRUE(hermana && *hermana);
    EXPECT_EQ((*hermana)->LeerTexto("1"), "queda");
    EXPECT_TRUE(existe("\\Software\\Policies\\Google\\Chrome"));  // parents stay
    hermana = Resultado<std::unique_ptr<ClaveRegistro>>(std::unique_ptr<ClaveRegistro>());
    EXPECT_EQ(registro->BorrarArbol(politica), false);  // already gone
}

TEST(TextoAEntero, ComoStrToInt) {
    EXPECT_EQ(TextoAEntero("540"), 540);
    EXPECT_EQ(TextoAEntero("-500"), -500);
    EXPECT_EQ(TextoAEntero(" 12 "), 12);
    EXPECT_EQ(TextoAEntero("-2147483648"), INT_MIN);
    for (const char* malo : {"", "abc", "12a", "1 2", "-", "99999999999", "0x10"}) {
        const auto n = TextoAEntero(malo);
        EXPECT_FALSE(n) << malo;
        // Appended, not "\"" + std::string(malo): GCC 12 at -O3 inlines the insert that such a
        // sum makes and warns of an overlapping copy that cannot happen (-Wrestrict, a false
        // positive of its own).
        EXPECT_EQ(n.motivo(), std::string("\"").append(malo).append("\" no es un número entero"));
    }
}

// The settings module over a real store: what one run writes the next reads, and a value that
// is damaged is shown as its default, told once and left as it is.
TEST_F(Registro, CadaAjusteDeclaradoVaYVuelveDentroDeSusLimites) {
    {
        auto r = Nuevo();
        ASSERT_TRUE(r->IniciarValoresSiNoExisten());
        for (const Ajuste* a : TodosLosAjustes()) {
            Hecho h;
            switch (a->tipo) {
                case TipoAjuste::Interruptor:
                    h = r->ajustes().Fijar(*a, std::string(a->porDefecto) != "1");
                    break;
                case TipoAjuste::Entero:
                    h = r->ajustes().Fijar(*a, a->minimo == INT_MIN ? -77 : a->maximo);
                    break;
                case TipoAjuste::Texto:
                    h = r->ajustes().Fijar(*a, std::string("https://añadido.example/") + a->clave);
                    break;
            }
            EXPECT_TRUE(h) << a->clave << ": " << h.motivo();
        }
    }
    auto r = Nuevo();
    Ajustes& ajustes = r->ajustes();
    for (const Ajuste* a : TodosLosAjustes()) {
        switch (a->tipo) {
            case TipoAjuste::Interruptor:
                EXPECT_EQ(ajustes.Interruptor(*a), std::string(a->porDefecto) != "1") << a->clave;
                break;
            case TipoAjuste::Entero:
                EXPECT_EQ(ajustes.Entero(*a), a->minimo == INT_MIN ? -77 : a->maximo) << a->clave;
                break;
            case TipoAjuste::Texto:
                EXPECT_EQ(ajustes.Texto(*a), std::string("https://añadido.example/") + a->clave);
                break;
        }
        EXPECT_TRUE(ajustes.Leido(*a)) << a->clave;
    }
    EXPECT_TRUE(ajustes.ProblemasNuevos().isEmpty());
    // The grid's default widths are the table's own, one per column.
    EXPECT_EQ(TextoAnchos(kAnchosPorDefecto, {}), ajuste::AnchoColumnas.porDefecto);

    // Refused on the way in: the stored value stays.
    EXPECT_FALSE(ajustes.Fijar(ajuste::TamanoFuente, kFuenteMinima - 1));
    EXPECT_FALSE(ajustes.Fijar(ajuste::TamanoFuente, std::string("49")));
    EXPECT_FALSE(ajustes.Fijar(ajuste::ConfirmarSalida, std::string("sí")));
    EXPECT_FALSE(ajustes.Fijar(ajuste::ConfirmarSalida, 1));
    EXPECT_EQ(r->LeerValor("GridTamanoFuente"), std::to_string(kFuenteMaxima));
    EXPECT_EQ(r->LeerValor("PanelConfirmarSalida"), "0");
}

TEST_F(Registro, UnAjusteDanadoSeMuestraPorDefectoSeAvisaUnaVezYNoSeEscribe) {
    auto r = Nuevo();
    ASSERT_TRUE(r->IniciarValoresSiNoExisten());
    ASSERT_TRUE(r->EscribirValor("GridTamanoFuente", "200"));
    ASSERT_TRUE(r->EscribirValor("GridVerEmail", "quizá"));
    Sql("DELETE FROM valores WHERE nombre_plegado = 'panelconfirmarsalida'");
    Sql("INSERT INTO valores VALUES('software\\velquorin\\marlevanta', 'panelconfirmarsalida', "
        "'PanelConfirmarSalida', 4, x'00000000')");
    Ajustes& ajustes = r->ajustes();
    EXPECT_EQ(ajustes.Entero(ajuste::TamanoFuente), kFuentePorDefecto);
    EXPECT_FALSE(ajustes.Interruptor(ajuste::VerEmail));
    EXPECT_TRUE(ajustes.Interruptor(ajuste::ConfirmarSalida));  // its default, not "off"
    EXPECT_FALSE(ajustes.Leido(ajuste::ConfirmarSalida));
    const QStringList problemas = ajustes.ProblemasNuevos();
    ASSERT_EQ(problemas.size(), 3) << problemas.join(u'\n').toStdString();
    EXPECT_TRUE(problemas.join(u'\n').contains("GridTamanoFuente: 200 debe estar entre 6 y 48"));
    EXPECT_TRUE(problemas.join(u'\n').contains("GridVerEmail: \"quizá\" no es 1 ni 0"));
    // Read again (another window): the same default, nothing told twice.
    EXPECT_TRUE(ajustes.Interruptor(ajuste::ConfirmarSalida));
    EXPECT_TRUE(ajustes.ProblemasNuevos().isEmpty());
    EXPECT_FALSE(ajustes.ProblemaNuevo(ajuste::ConfirmarSalida));
    // What the main window writes at its close leaves the damaged switch alone.
    AjustesVentana v = AjustesVentana::Leer(ajustes);
    ASSERT_TRUE(v.Escribir(ajustes, {}));
    EXPECT_EQ(Contar("SELECT tipo FROM valores WHERE nombre_plegado = 'panelconfirmarsalida'"), 4);
    EXPECT_EQ(r->LeerValor("GridVerEmail"), "quizá");
    // Once the user chooses, the choice is stored and the problem is gone.
    ASSERT_TRUE(ajustes.Fijar(ajuste::ConfirmarSalida, false));
    EXPECT_FALSE(ajustes.Interruptor(ajuste::ConfirmarSalida));
    EXPECT_TRUE(ajustes.Leido(ajuste::ConfirmarSalida));
}
