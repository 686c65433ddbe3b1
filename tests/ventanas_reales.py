#!/usr/bin/env python3
"""The windows as a window manager shows them, driven with real keys.

The program runs on an X display of its own with openbox. Every window it opens must carry, in
the title the window manager reads (WM_NAME and _NET_WM_NAME), exactly the program's own title,
nothing appended. Keypad Enter on "No" of the exit question answers No. F1 opens the help and
the program stays alive, also as root, where Chromium's sandbox refuses to start. The file dialog
of the import opens from Ctrl+I.

Usage: ventanas_reales.py BIN_DIR TESTS_DIR. Exit 77 (skipped) without Xvfb, openbox or xdotool;
without xprop the titles are read with xdotool alone.
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zoneinfo

from comun_pruebas import SALTAR, ajustes

MESES = ["enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto",
         "septiembre", "octubre", "noviembre", "diciembre"]


class Pantalla:
    def __init__(self, numero, entorno):
        self.entorno = dict(entorno, DISPLAY=numero)

    def orden(self, *args, comprobar=True):
        return subprocess.run(list(args), env=self.entorno, check=comprobar, capture_output=True,
                              text=True).stdout

    def visibles(self):
        """Every visible window that has a name: id -> name."""
        r = {}
        for i in self.orden("xdotool", "search", "--onlyvisible", "--name", ".",
                            comprobar=False).split():
            nombre = self.orden("xdotool", "getwindowname", i, comprobar=False).strip()
            if nombre:
                r[i] = nombre
        return r

    def esperar(self, titulo, segundos=30):
        """The window whose title is exactly `titulo`; fails listing those there are."""
        limite = time.time() + segundos
        while time.time() < limite:
            for i, nombre in self.visibles().items():
                if nombre == titulo:
                    return i
            time.sleep(0.2)
        raise AssertionError("no window titled %r; visible: %r" % (titulo,
                                                                   sorted(self.visibles().values())))

    def titulos_x(self, ventana):
        """The title as the window manager reads it: xdotool's, and both properties by xprop."""
        r = [self.orden("xdotool", "getwindowname", ventana).rstrip("\n")]
        if shutil.which("xprop"):
            for propiedad in ("WM_NAME", "_NET_WM_NAME"):
                linea = self.orden("xprop", "-id", ventana, propiedad).strip()
                valor = linea.split(" = ", 1)[1] if " = " in linea else linea
                if valor.startswith('"') and valor.endswith('"'):
                    valor = valor[1:-1]
                # xprop writes the bytes it cannot show as octal escapes.
                if "\\" in valor:
                    valor = (valor.encode("latin-1", "backslashreplace").decode("unicode_escape")
                             .encode("latin-1").decode("utf-8"))
                r.append(valor)
        return r

    def teclas(self, ventana, *secuencia):
        self.orden("xdotool", "windowactivate", "--sync", ventana)
        time.sleep(0.3)
        self.orden("xdotool", "key", "--clearmodifiers", "--delay", "150", *secuencia)

    def cerrar(self, ventana, tecla, intentos=3):
        """Closes `ventana` with `tecla`; a window still busy starting may miss the first one."""
        for _ in range(intentos):
            self.teclas(ventana, tecla)
            limite = time.time() + 10
            while time.time() < limite:
                if ventana not in self.visibles():
                    return
                time.sleep(0.2)
        raise AssertionError("window %s did not close with %s" % (ventana, tecla))


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
        for nombre in ("marlevanta", "libmarlevanta_ayuda.so"):
            shutil.copy2(os.path.join(binarios, nombre), programa)
        home = os.path.join(d, "home")
        # No web API to ask: the help pages stay blank, which is all this test needs of them.
        ajustes(os.path.join(home, ".config/Velquorin/marlevanta/registry.db"),
                {"ApiHost": "https://127.0.0.1:9", "PanelComprobarActualizaciones": "0",
                 "PanelConfirmarSalida": "1"})
        numero = ":%d" % (190 + os.getpid() % 100)
        procesos.append(subprocess.Popen(["Xvfb", numero, "-screen", "0", "1280x1024x24",
                                          "-nolisten", "tcp"], stderr=subprocess.DEVNULL))
        time.sleep(1)
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
        x = Pantalla(numero, entorno)
        procesos.append(subprocess.Popen(["openbox"], env=x.entorno, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL))
        time.sleep(0.5)
        errores = open(os.path.join(d, "errores.txt"), "w")
        marlevanta = subprocess.Popen([os.path.join(programa, "marlevanta"), "/demo"],
                                      env=x.entorno, stderr=errores)
        procesos.append(marlevanta)

        fecha = datetime.datetime.fromtimestamp(os.path.getmtime(os.path.join(programa,
                                                                              "marlevanta")),
                                                zoneinfo.ZoneInfo("Europe/Madrid"))
        titulo = "Marlevanta - Buscador de certificados SSL (Versión 1.0.4 - %s %d)" % (
            MESES[fecha.month - 1], fecha.year)
        principal = x.esperar(titulo)
        assert set(x.titulos_x(principal)) == {titulo}, x.titulos_x(principal)
        print("ventana principal:", titulo)

        # Each window the keys open, by its exact title, and how it is closed again.
        for tecla, esperado, cerrar in (("F12", "Marlevanta - Opciones", "Escape"),
                                        ("F9", "Acerca de", "Return"),
                                        ("F4", "Información", "Return"),
                                        ("ctrl+i", "Información", "Return"),
                                        ("F1", "Ayuda de Marlevanta", "Escape")):
            x.teclas(principal, tecla)
            ventana = x.esperar(esperado)
            assert set(x.titulos_x(ventana)) == {esperado}, x.titulos_x(ventana)
            if tecla == "F1":
                # The web engine is up by now; a refused sandbox would have ended the program.
                time.sleep(3)
                assert marlevanta.poll() is None, "el programa terminó al abrir la ayuda"
            x.cerrar(ventana, cerrar)
            assert marlevanta.poll() is None, "el programa terminó tras " + tecla
            print(tecla, "->", esperado)

        # The exit question: Tab to "No" and the keypad's Enter keep the program running.
        x.teclas(principal, "Escape")
        pregunta = x.esperar("Confirmar")
        assert set(x.titulos_x(pregunta)) == {"Confirmar"}, x.titulos_x(pregunta)
        x.teclas(pregunta, "Tab")
        x.cerrar(pregunta, "KP_Enter", intentos=1)
        time.sleep(1)
        assert marlevanta.poll() is None, "el Enter del teclado numérico sobre No cerró el programa"
        print("Confirmar: No con el Enter del teclado numérico")

        # And Yes ends it.
        x.teclas(principal, "Escape")
        pregunta = x.esperar("Confirmar")
        x.teclas(pregunta, "KP_Enter")
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
