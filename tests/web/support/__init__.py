"""The page's browser engines behind one interface (engine.Engine), and the
static server they load it from, for the page's tests, its screenshot and
its benchmark:

    async with open_engine("firefox") as b:
        await b.navigate(url)"""

from .chromium import Chromium
from .firefox import Firefox
from .webkit import WebKit

ENGINES = {"chromium": Chromium, "webkit": WebKit, "firefox": Firefox}


def open_engine(name, webgl=True):
    """The engine named, to be opened with `async with`."""
    return ENGINES[name](webgl=webgl)
