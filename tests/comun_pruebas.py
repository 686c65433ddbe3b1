"""What the tests that drive the real program share: waiting for a condition, the processes a
program has started, an X display of their own with a window manager and its windows driven with
real keys, and the program's settings database written as the program itself lays it out."""
import datetime
import os
import select
import shutil
import sqlite3
import subprocess
import tempfile
import time
import zoneinfo

SALTAR = 77
MESES = ["enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto",
         "septiembre", "octubre", "noviembre", "diciembre"]


def titulo_principal(programa, zona):
    """The main window's title for the program file `programa`, dated in Spanish by the file's
    time in time zone `zona`, as the program run with that TZ and a Spanish LANG dates itself."""
    fecha = datetime.datetime.fromtimestamp(os.path.getmtime(programa), zoneinfo.ZoneInfo(zona))
    return "Marlevanta - Buscador de certificados SSL (Versión 1.0.4 - %s %d)" % (
        MESES[fecha.month - 1], fecha.year)


def esperar(condicion, segundos, que, detalle=None):
    """Asks `condicion` until it gives something true, and returns that. After `segundos` it
    fails naming `que` and, if given, what `detalle()` says about how things stand then."""
    limite = time.monotonic() + segundos
    while True:
        valor = condicion()
        if valor:
            return valor
        if time.monotonic() >= limite:
            mensaje = "no llegó en %g s: %s" % (segundos, que)
            if detalle is not None:
                mensaje += " (%s)" % detalle()
            raise AssertionError(mensaje)
        time.sleep(0.1)


def en_marcha():
    """Every process there is now: pid -> (parent's pid, argument list). A zombie has none."""
    r = {}
    for nombre in os.listdir("/proc"):
        if not nombre.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % nombre, encoding="utf-8", errors="replace") as f:
                # The name between the parentheses may hold spaces and parentheses itself.
                padre = int(f.read().rsplit(")", 1)[1].split()[1])
            with open("/proc/%s/cmdline" % nombre, "rb") as f:
                argumentos = f.read().decode(errors="replace").split("\0")[:-1]
        except (OSError, IndexError, ValueError):
            continue  # it ended meanwhile
        r[int(nombre)] = (padre, argumentos)
    return r


def descendientes(pid):
    """The processes below `pid`: pid -> (parent's pid, argument list)."""
    todos = en_marcha()
    r = {}
    nuevos = {pid}
    while nuevos:
        nuevos = {p for p, (padre, _) in todos.items() if padre in nuevos and p not in r}
        r.update((p, todos[p]) for p in nuevos)
    return r


class Pantalla:
    """An X display of the test's own with openbox managing it, and its windows, each known by
    its exact title (and, where two may share it, by its process)."""

    def __init__(self, entorno, lista_procesos, geometria="1280x1024x24"):
        """Xvfb and openbox, once each is ready; both go into `lista_procesos` to be ended."""
        errores = tempfile.TemporaryFile(mode="w+")
        lectura, escritura = os.pipe()
        # Xvfb takes a display number no other server holds and writes it once it accepts
        # clients: runs side by side cannot pick the same one. Without -noreset it starts over
        # whenever its last client leaves, and turns away whoever connects meanwhile.
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(escritura), "-noreset", "-screen", "0",
                                 geometria, "-nolisten", "tcp"], pass_fds=(escritura,),
                                stdout=subprocess.DEVNULL, stderr=errores)
        lista_procesos.append(xvfb)
        os.close(escritura)
        leido = b""
        limite = time.monotonic() + 30
        while not leido.endswith(b"\n"):
            listo = select.select([lectura], [], [], max(0, limite - time.monotonic()))[0]
            trozo = os.read(lectura, 16) if listo else b""
            if not trozo:  # Xvfb ended, or said nothing in time
                os.close(lectura)
                errores.seek(0)
                raise AssertionError("Xvfb no dio su pantalla (%s): %s" % (
                    "terminó con %d" % xvfb.poll() if xvfb.poll() is not None else "sin respuesta",
                    errores.read()[-2000:]))
            leido += trozo
        os.close(lectura)
        errores.close()
        self.entorno = dict(entorno, DISPLAY=":" + leido.decode().strip())
        esperar(lambda: self._orden("xdotool", "getdisplaygeometry").returncode == 0, 30,
                "la pantalla %s responda" % self.entorno["DISPLAY"])
        errores = tempfile.TemporaryFile(mode="w+")
        # It tells why it cannot start on its standard output.
        openbox = subprocess.Popen(["openbox"], env=self.entorno, stdout=errores, stderr=errores)
        lista_procesos.append(openbox)
        # The desktops are among the first things openbox announces on the root window, once it
        # manages it: from then on it places and activates every window that maps.
        esperar(lambda: openbox.poll() is not None or
                self._orden("xdotool", "get_num_desktops").returncode == 0, 30,
                "openbox gestione la pantalla")
        errores.seek(0)
        assert openbox.poll() is None, "openbox terminó con %d: %s" % (openbox.returncode,
                                                                      errores.read()[-2000:])
        errores.close()
        self._xprop = shutil.which("xprop", path=self.entorno.get("PATH"))

    def _orden(self, *args):
        try:
            return subprocess.run(list(args), env=self.entorno, capture_output=True, text=True,
                                  timeout=30)
        except subprocess.TimeoutExpired as e:
            return subprocess.CompletedProcess(e.cmd, -1, "", "no respondió en 30 s")

    def _visibles(self, pid=None):
        """The ids of the visible windows (of process `pid`), or None when the search failed
        because a window went away while it looked (that is an X error, not "none")."""
        # Without --all a window would need to meet only one of the conditions.
        r = self._orden("xdotool", "search", "--all", "--onlyvisible",
                        *(["--pid", str(pid)] if pid else []), "--name", ".")
        if r.returncode == 0:
            return r.stdout.split()
        return [] if r.returncode == 1 and not r.stderr.strip() else None

    def _nombre(self, ventana):
        r = self._orden("xdotool", "getwindowname", ventana)
        return r.stdout.rstrip("\n") if r.returncode == 0 else None

    def buscar(self, titulo, pid=None):
        """The visible windows titled exactly `titulo` now, newest last ([] if none, or if the
        search failed because a window went away: the caller asks again)."""
        return [v for v in self._visibles(pid) or [] if self._nombre(v) == titulo]

    def _titulos_visibles(self, pid=None):
        return sorted(filter(None, (self._nombre(v) for v in self._visibles(pid) or [])))

    def ventana(self, titulo, pid=None, segundos=30):
        """The window titled exactly `titulo` once it shows; fails listing those there are."""
        return esperar(lambda: (self.buscar(titulo, pid) or [None])[-1], segundos,
                       "una ventana titulada %r" % titulo,
                       lambda: "visibles: %r" % self._titulos_visibles(pid))

    def titulos(self, titulo, pid=None, segundos=30):
        """The window titled `titulo` and its title as the window manager reads it: xdotool's,
        then WM_NAME and _NET_WM_NAME by xprop when there is xprop. Found and read in one step,
        done again if the window goes away meanwhile: the toolkit may replace a window with a
        new one of the same title while it settles."""
        def leidos():
            for ventana in reversed(self.buscar(titulo, pid)):
                r = [self._nombre(ventana)]
                if r[0] is not None and self._xprop:
                    r += [self._propiedad(ventana, p) for p in ("WM_NAME", "_NET_WM_NAME")]
                if None not in r:
                    return ventana, r
            return None
        return esperar(leidos, segundos, "leer el título de la ventana %r" % titulo,
                       lambda: "visibles: %r" % self._titulos_visibles(pid))

    def _propiedad(self, ventana, nombre):
        r = self._orden("xprop", "-id", ventana, nombre)
        if r.returncode != 0:
            return None
        linea = r.stdout.strip()
        valor = linea.split(" = ", 1)[1] if " = " in linea else linea
        if valor.startswith('"') and valor.endswith('"'):
            valor = valor[1:-1]
        # xprop writes the bytes it cannot show as octal escapes.
        if "\\" in valor:
            valor = (valor.encode("latin-1", "backslashreplace").decode("unicode_escape")
                     .encode("latin-1").decode("utf-8"))
        return valor

    def activa(self):
        r = self._orden("xdotool", "getactivewindow")
        return r.stdout.strip() if r.returncode == 0 else None

    def activar(self, titulo, pid=None, segundos=30):
        """Makes the window titled `titulo` the active one, the one that gets the keys; its id.
        The window is looked for again on each try, in case it was replaced meanwhile."""
        def activada():
            for ventana in reversed(self.buscar(titulo, pid)):
                if self._orden("xdotool", "windowactivate", ventana).returncode != 0:
                    continue  # gone meanwhile
                try:
                    return esperar(lambda: self.activa() == ventana and ventana, 3,
                                   "la ventana se active")
                except AssertionError:
                    return None
            return None

        def estado():
            activa = self.activa()
            return "activa: %r; visibles: %r" % (activa and self._nombre(activa),
                                                 self._titulos_visibles())
        return esperar(activada, segundos, "activar la ventana %r" % titulo, estado)

    def teclas(self, titulo, *secuencia, pid=None, texto=None):
        """Types `texto` and then presses `secuencia` into the window titled `titulo`."""
        ventana = self.activar(titulo, pid)
        if texto:
            self._hecho(self._orden("xdotool", "type", "--delay", "80", texto))
        if secuencia:
            self._hecho(self._orden("xdotool", "key", "--clearmodifiers", "--delay", "150",
                                    *secuencia))
        return ventana

    @staticmethod
    def _hecho(r):
        if r.returncode != 0:
            raise AssertionError("%s: %s" % (" ".join(r.args), r.stderr.strip()))

    def cerrar(self, titulo, tecla, pid=None, intentos=3):
        """Closes the window titled `titulo` with `tecla`, pressed again into the window if it
        is still there after a while (a window still busy starting may miss the first one)."""
        def cerrada(ventana):
            visibles = self._visibles()
            return visibles is not None and ventana not in visibles

        for _ in range(intentos):
            ventana = self.teclas(titulo, tecla, pid=pid)
            try:
                esperar(lambda: cerrada(ventana), 10, "se cierre")
                return
            except AssertionError:
                pass
        raise AssertionError("la ventana %r no se cerró con %s; visibles: %r" % (
            titulo, tecla, self._titulos_visibles()))


def ajustes(ruta, valores, alias=None):
    """`valores` under the program's key and, when given, `alias` (thumbprint -> alias) below it."""
    os.makedirs(os.path.dirname(ruta), exist_ok=True)
    db = sqlite3.connect(ruta)
    db.executescript(
        "CREATE TABLE claves(ruta_plegada TEXT PRIMARY KEY, ruta TEXT NOT NULL) WITHOUT ROWID;"
        "CREATE TABLE valores(clave TEXT NOT NULL, nombre_plegado TEXT NOT NULL, nombre TEXT NOT "
        "NULL, tipo INTEGER NOT NULL, datos BLOB, PRIMARY KEY(clave, nombre_plegado)) "
        "WITHOUT ROWID;")
    partes = ["Software", "Velquorin", "marlevanta"] + (["alias"] if alias is not None else [])
    for n in range(1, len(partes) + 1):
        ruta_clave = "\\".join(partes[:n])
        db.execute("INSERT INTO claves VALUES(?, ?)", (ruta_clave.lower(), ruta_clave))
    for clave, lista in (("software\\velquorin\\marlevanta", valores),
                         ("software\\velquorin\\marlevanta\\alias", alias or {})):
        for nombre, valor in lista.items():
            db.execute("INSERT INTO valores VALUES(?, ?, ?, 1, ?)",
                       (clave, nombre.lower(), nombre, valor.encode()))
    db.commit()
    db.close()
