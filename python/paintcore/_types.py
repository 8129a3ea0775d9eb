"""The two pointer kinds of the interface as ctypes argument types."""
import ctypes
import os


class Text(ctypes.c_char_p):
    """A text argument: bytes, str or a path (encoded as file names are), or None."""

    @classmethod
    def from_param(cls, value):
        if isinstance(value, (str, os.PathLike)):
            value = os.fsencode(value)
        return ctypes.c_char_p.from_param(value)


class Buffer(ctypes.c_void_p):
    """A pixel or byte buffer the caller owns: a numpy array (its data, as
    laid out), a bytearray, a ctypes array or pointer, an address, or None.
    The engine trusts its size: it must hold what the call reads or writes."""

    @classmethod
    def from_param(cls, value):
        interface = getattr(value, "__array_interface__", None)
        if interface is not None:
            return ctypes.c_void_p(interface["data"][0])
        if isinstance(value, bytearray):
            return ctypes.c_void_p(ctypes.addressof((ctypes.c_char * len(value)).from_buffer(value))) \
                if value else ctypes.c_void_p(None)
        return ctypes.c_void_p.from_param(value)
