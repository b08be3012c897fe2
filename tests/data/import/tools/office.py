"""Saves workbooks through a running office suite, for what its --convert-to cannot do: recalculate the
formulas before saving, and save with a password.

    office.py PIPE recalculate IN OUT FILTER
    office.py PIPE encrypt IN OUT FILTER PASSWORD

Run with Debian's /usr/bin/python3 (package python3-uno) against an office started with
--accept="pipe,name=PIPE;urp;".
"""
import os
import sys
import time

import uno
from com.sun.star.beans import NamedValue, PropertyValue


def props(**values):
    result = []
    for name, value in values.items():
        prop = PropertyValue()
        prop.Name = name
        prop.Value = value
        result.append(prop)
    return tuple(result)


def named(name, value):
    result = NamedValue()
    result.Name = name
    result.Value = value
    return result


def desktop(pipe):
    resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
    for _ in range(60):
        try:
            context = resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
            return context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        except Exception:
            time.sleep(0.5)
    sys.exit(f"office.py: no office listening on pipe {pipe}")


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


def main():
    pipe, mode, source, target, filter_name = sys.argv[1:6]
    document = desktop(pipe).loadComponentFromURL(url(source), "_blank", 0, props(Hidden=True))
    try:
        if mode == "recalculate":
            document.calculateAll()
            document.storeToURL(url(target), props(FilterName=filter_name, Overwrite=True))
        elif mode == "encrypt":
            # The binary format takes the password as such; the XML format wants it as encryption data.
            password = sys.argv[6]
            extra = {"Password": password} if "97" in filter_name else {
                "EncryptionData": uno.Any("[]com.sun.star.beans.NamedValue",
                                          (named("OOXPassword", password), named("CryptoType", "Standard")))}
            # uno.invoke keeps the typed sequence; a plain call would pass it on as an untyped tuple.
            uno.invoke(document, "storeToURL", (url(target), props(FilterName=filter_name, Overwrite=True, **extra)))
        else:
            sys.exit(f"office.py: unknown mode {mode}")
    finally:
        document.close(True)


main()
