objfiles += a.obj	b.obj
LIBS=x.lib
