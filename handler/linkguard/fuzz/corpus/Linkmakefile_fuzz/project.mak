# project
OBJFILES = Unit1.obj \
    Unit2.obj $(BCB)\lib\c0w32.obj
LIBFILES = vendor.lib # comment
LIBRARIES := vcl.lib
OTHER = nope.obj
