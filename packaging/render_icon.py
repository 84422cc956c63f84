#!/usr/bin/env python3
"""Renders lantern-manager.svg into the PNG icons beside it (48 and 128 pixels).

Run it after changing the SVG: python3 packaging/render_icon.py. It draws with the system's
librsvg and cairo through ctypes, so it needs no Python package beyond the standard library.
"""
import ctypes
import pathlib
import sys

SIZES = (48, 128)
CAIRO_FORMAT_ARGB32 = 0


class Rectangle(ctypes.Structure):
    _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double),
                ("width", ctypes.c_double), ("height", ctypes.c_double)]


def load_libraries():
    rsvg = ctypes.CDLL("librsvg-2.so.2")
    cairo = ctypes.CDLL("libcairo.so.2")
    rsvg.rsvg_handle_new_from_file.restype = ctypes.c_void_p
    rsvg.rsvg_handle_new_from_file.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
    rsvg.rsvg_handle_render_document.argtypes = [
        ctypes.c_void_p, ctypes.c_void_p, ctypes.POINTER(Rectangle), ctypes.c_void_p]
    cairo.cairo_image_surface_create.restype = ctypes.c_void_p
    cairo.cairo_image_surface_create.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int]
    cairo.cairo_create.restype = ctypes.c_void_p
    cairo.cairo_create.argtypes = [ctypes.c_void_p]
    cairo.cairo_destroy.argtypes = [ctypes.c_void_p]
    cairo.cairo_surface_write_to_png.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    cairo.cairo_surface_destroy.argtypes = [ctypes.c_void_p]
    return rsvg, cairo


def main():
    folder = pathlib.Path(__file__).resolve().parent
    svg = folder / "lantern-manager.svg"
    rsvg, cairo = load_libraries()
    handle = rsvg.rsvg_handle_new_from_file(str(svg).encode(), None)
    if not handle:
        sys.exit(f"{svg}: librsvg cannot read it")
    for size in SIZES:
        png = folder / f"lantern-manager-{size}.png"
        surface = cairo.cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size)
        context = cairo.cairo_create(surface)
        drawn = rsvg.rsvg_handle_render_document(
            handle, context, ctypes.byref(Rectangle(0, 0, size, size)), None)
        written = cairo.cairo_surface_write_to_png(surface, str(png).encode()) == 0
        cairo.cairo_destroy(context)
        cairo.cairo_surface_destroy(surface)
        if not drawn or not written:
            sys.exit(f"{png}: cannot draw or write the icon")
        print(png)


if __name__ == "__main__":
    main()
