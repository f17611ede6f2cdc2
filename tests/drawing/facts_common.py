"""What the *_facts.py readers share: numbers printed so that C++ can compare them, and the
drawing read with ezdxf and audited, the audit printed first."""
import ezdxf


def num(v, digits=9):
    return repr(round(float(v), digits) + 0.0)


def pt(v, digits=9):
    return ",".join(num(c, digits) for c in v)


def read_audited(path):
    """The drawing; prints "audit errors=N fixes=N" and one "audit: MESSAGE" line each."""
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    print(f"audit errors={len(auditor.errors)} fixes={len(auditor.fixes)}")
    for e in list(auditor.errors) + list(auditor.fixes):
        print("audit:", e.message)
    return doc
