#!/usr/bin/python3
"""Prints how many documents the office listening on pipe PIPE has open.

usage: office_documents.py PIPE
"""
import sys

import uno


def main():
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % sys.argv[1])
    desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
    components = desktop.getComponents().createEnumeration()
    count = 0
    while components.hasMoreElements():
        components.nextElement()
        count += 1
    print(count)


if __name__ == "__main__":
    main()
