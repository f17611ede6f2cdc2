"""What the scenario checks share: the scenario's output folder, a drawing saved there or one of
the repository's, read with ezdxf (a saved one audited clean), and an entity's "South" record."""
import sys
from pathlib import Path

import ezdxf

OUT = Path(sys.argv[1])
ROOT = Path(__file__).resolve().parents[2]


def saved(name):
    """NAME from the output folder; ezdxf's audit must find no error in it."""
    doc = ezdxf.readfile(OUT / name)
    auditor = doc.audit()
    assert not auditor.has_errors, (name, [str(e) for e in auditor.errors])
    return doc


def committed(path):
    """A drawing of the repository, PATH from its root, as the scenario found it."""
    return ezdxf.readfile(ROOT / path)


def south(e, codes=False):
    """The items of E's "South" record after the application name ((code, value) pairs with
    CODES), None without a record."""
    if not e.has_xdata("South"):
        return None
    return [(t.code, t.value) if codes else t.value for t in e.get_xdata("South")]


def texts(e):
    """E's "South" record, every item of which must be text (1000)."""
    items = south(e, codes=True)
    assert items is not None and all(code == 1000 for code, _ in items), (e.dxf.handle, items)
    return [value for _, value in items]
