#!/usr/bin/env python3
"""The windows as a window manager shows them, driven with real keys.

The program runs on an X display of its own with openbox. Every window it opens must carry, in
the title the window manager reads (WM_NAME and _NET_WM_NAME), exactly the program's own title,
nothing appended. Keypad Enter on "No" of the exit question answers No. F1 opens the help and
the program stays alive; as root, where the web engine could not keep pages in its sandbox, it
says why it does not open the help instead. The file dialog of the import opens from Ctrl+I.

Usage: ventanas_reales.py BIN_DIR TESTS_DIR. Exit 77 (skipped) without Xvfb, openbox or xdotool;
without xprop the titles are read with xdotool alone.
"""
import os
import shutil
import subprocess
import sys
import tempfile

from comun_pruebas import SALTAR, Pantalla, ajustes, descendientes, esperar, titulo_principal


def paginas(pid):
    """The web engine's page processes below `pid`: those its zygote forked."""
    abajo = descendientes(pid)
    motor = {p for p, (_, args) in abajo.items()
             if args and os.path.basename(args[0]) == "QtWebEngineProcess"}
    return [p for p in motor if abajo[p][0] in motor]


def main():
    binarios, pruebas = sys.argv[1], sys.argv[2]
    if not all(shutil.which(p) for p in ("Xvfb", "openbox", "xdotool")):
        print("sin Xvfb, openbox o xdotool: prueba saltada")
        return SALTAR
    d = tempfile.mkdtemp(prefix="ventanas-")
    procesos = []
    marlevanta = None
    try:
        programa = os.path.join(d, "programa")
        os.makedirs(programa)
        for nombre in ("marlevanta", "libmarlevanta_ayuda.so", "libmarlevanta_http.so",
                       "libmarlevanta_nss.so"):
            shutil.copy2(os.path.join(binarios, nombre), programa)
        home = os.path.join(d, "home")
        # No web API to ask: the help pages stay blank, which is all this test needs of them.
        ajustes(os.path.join(home, ".config/Velquorin/marlevanta/registry.db"),
                {"ApiHost": "https://127.0.0.1:9", "PanelComprobarActualizaciones": "0",
                 "PanelConfirmarSalida": "1"})
        entorno = dict(os.environ, HOME=home, TMPDIR=d, TZ="Europe/Madrid",
                       LANG="es_ES.UTF-8", LC_ALL="es_ES.UTF-8",
                       XDG_CONFIG_HOME=os.path.join(home, ".config"),
                       XDG_CACHE_HOME=os.path.join(home, ".cache"), QT_QPA_PLATFORM="xcb",
                       # The web engine on a real display keeps memory to the end that the leak
                       # checker cannot trace to it (Chromium has no frame pointers); the program's
                       # own leaks are the test suite's to find. Crashes still count.
                       ASAN_OPTIONS="new_delete_type_mismatch=0:detect_leaks=0")
        # As a user starts it: without the switch the tests set for their own web views.
        for variable in ("QTWEBENGINE_DISABLE_SANDBOX", "QTWEBENGINE_CHROMIUM_FLAGS"):
            entorno.pop(variable, None)
        x = Pantalla(entorno, procesos)
        errores = open(os.path.join(d, "errores.txt"), "w")
        marlevanta = subprocess.Popen([os.path.join(programa, "marlevanta"), "/demo"],
                                      env=x.entorno, stderr=errores)
        procesos.append(marlevanta)

        titulo = titulo_principal(os.path.join(programa, "marlevanta"), "Europe/Madrid")
        _, leidos = x.titulos(titulo)
        assert set(leidos) == {titulo}, leidos
        print("ventana principal:", titulo)

        # Each window the keys open, by its exact title, and how it is closed again.
        ayuda = (("F1", "Información", "Return") if os.geteuid() == 0 else
                 ("F1", "Ayuda de Marlevanta", "Escape"))
        for tecla, esperado, cerrar in (("F12", "Marlevanta - Opciones", "Escape"),
                                        ("F9", "Acerca de", "Return"),
                                        ("F4", "Información", "Return"),
                                        ("ctrl+i", "Información", "Return"),
                                        ayuda):
            x.teclas(titulo, tecla)
            if tecla == "F1" and esperado != "Información":
                # The web engine is up once its zygote has forked a page's process; a refused
                # sandbox ends the program before that.
                esperar(lambda: marlevanta.poll() is not None or paginas(marlevanta.pid), 60,
                        "el motor web de la ayuda arranque una página")
                assert marlevanta.poll() is None, "el programa terminó al abrir la ayuda"
            _, leidos = x.titulos(esperado)
            assert set(leidos) == {esperado}, leidos
            x.cerrar(esperado, cerrar)
            assert marlevanta.poll() is None, "el programa terminó tras " + tecla
            print(tecla, "->", esperado)

        # The exit question: Tab to "No" and the keypad's Enter keep the program running.
        x.teclas(titulo, "Escape")
        _, leidos = x.titulos("Confirmar")
        assert set(leidos) == {"Confirmar"}, leidos
        x.teclas("Confirmar", "Tab")
        x.cerrar("Confirmar", "KP_Enter", intentos=1)
        # A program that took that Enter for Yes is ending and asks nothing more: that it asks
        # again shows it kept running, and that question is the one Yes answers below.
        try:
            x.teclas(titulo, "Escape")
            x.ventana("Confirmar")
        except AssertionError:
            assert marlevanta.poll() is None, \
                "el Enter del teclado numérico sobre No cerró el programa"
            raise
        print("Confirmar: No con el Enter del teclado numérico")

        # And Yes ends it.
        x.teclas("Confirmar", "KP_Enter")
        marlevanta.wait(timeout=20)
        errores.close()
        with open(os.path.join(d, "errores.txt"), encoding="utf-8", errors="replace") as f:
            assert marlevanta.returncode == 0, "salida %d:\n%s" % (marlevanta.returncode,
                                                                   f.read()[-3000:])
        print("bien")
        return 0
    except (AssertionError, subprocess.CalledProcessError):
        # What the program said is where the reason is.
        if marlevanta is not None:
            print("marlevanta:", "en marcha" if marlevanta.poll() is None
                  else "terminó con %d" % marlevanta.returncode)
        ruta = os.path.join(d, "errores.txt")
        if os.path.exists(ruta):
            with open(ruta, encoding="utf-8", errors="replace") as f:
                print(f.read()[-4000:])
        raise
    finally:
        for p in reversed(procesos):
            if p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(d, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
