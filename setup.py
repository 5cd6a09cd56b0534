"""Builds the native part of the Python package with CMake: the library's own build, with only
the Python module asked for. pip install --no-build-isolation . uses the setuptools, pybind11 and
CMake of the system."""
import atexit
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build import build
from setuptools.command.build_ext import build_ext
from setuptools.command.egg_info import egg_info

ROOT = Path(__file__).resolve().parent
# Everything the build makes goes to a folder of its own outside the checkout, removed at the
# end: the checkout stays as it is (no build/temp.*, no python/vqdf.egg-info).
OUTSIDE = tempfile.mkdtemp(prefix="vqdf-python-build-")
atexit.register(shutil.rmtree, OUTSIDE, ignore_errors=True)


class OutsideBuild(build):
    def initialize_options(self):
        super().initialize_options()
        self.build_base = os.path.join(OUTSIDE, "build")


class OutsideEggInfo(egg_info):
    def initialize_options(self):
        super().initialize_options()
        self.egg_base = OUTSIDE


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(
            ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
             "-DVQDF_BUILD_TESTS=OFF", "-DVQDF_BUILD_BENCH=OFF", "-DVQDF_BUILD_TOOLS=OFF",
             "-DVQDF_BUILD_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}"],
            check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_vqdf", "-j",
                        str(os.cpu_count() or 1)], check=True)
        built = next((build / "python" / "vqdf").glob("_vqdf*.so"), None)
        if built is None:
            raise RuntimeError("the CMake build made no _vqdf module: are pybind11-dev and "
                               "python3-dev installed?")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(ext_modules=[CMakeExtension("vqdf._vqdf")],
      cmdclass={"build": OutsideBuild, "build_ext": CMakeBuild, "egg_info": OutsideEggInfo})
