"""Cooled astronomical USB cameras from Python.

Frames are numpy arrays of shape (height, width) with row 0 at the top.
Windows (roi) are (x, y, width, height) in output pixels, that is binned
pixels when bin is above 1, counted from the top-left corner. Times are in
seconds, temperatures in degrees Celsius, gain in steps of 0.1 dB.
"""
import datetime
from typing import Iterator, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

version: str
__version__: str

class Error(Exception):
    """A call the camera library refused; str() is "<operation>: <text>"."""
    text: str
    """The library's own reason, e.g. "CCD camera not connected to USB"."""
    operation: str
    """What was asked ("exposure", "filter", ...); empty where there is none."""
    def __init__(self, message: str, text: Optional[str] = ..., operation: str = ...) -> None: ...

class NotConnectedError(Error):
    """The camera is unplugged, taken by another process, or gone after a failed transfer."""

class NotSupportedError(Error):
    """The camera does not have the function asked for."""

class InvalidValueError(Error, ValueError):
    """A value outside what the camera accepts; nothing was sent."""

class CameraInfo:
    """What a camera is and can do."""
    @property
    def id(self) -> int: ...
    @property
    def model(self) -> str: ...
    @property
    def width(self) -> int:
        """Sensor width, unbinned pixels."""
    @property
    def height(self) -> int:
        """Sensor height, unbinned pixels."""
    @property
    def pixel_size(self) -> Optional[Tuple[float, float]]:
        """(width, height) of an unbinned pixel in micrometres; None when not known."""
    @property
    def generation(self) -> int:
        """Protocol generation 0..5."""
    @property
    def max_binning(self) -> Tuple[int, int]: ...
    @property
    def min_exposure(self) -> float:
        """Seconds."""
    @property
    def max_exposure(self) -> float:
        """Longest exposure the camera times itself, seconds."""
    @property
    def capabilities(self) -> frozenset[str]:
        """Of: sub_frames, cooler, fan, window_heater, guide_port, filter_wheel, gps, shutter, gain."""
    @property
    def filters(self) -> int:
        """Filter-wheel positions, 0 without a wheel."""
    @property
    def max_gain(self) -> int:
        """Largest gain setting, 0.1 dB steps."""
    @property
    def setpoint_range(self) -> Tuple[float, float]:
        """Lowest and highest cooler set point, degrees Celsius."""
    @property
    def read_mode(self) -> int:
        """Index of the current read mode in Camera.read_modes."""
    @property
    def firmware(self) -> str:
        """Firmware version words joined with dots."""
    @property
    def library_version(self) -> str:
        """Version of the loaded camera library."""
    @property
    def serial(self) -> str: ...

class ReadMode:
    @property
    def index(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def bits(self) -> int:
        """8 (frames are uint8) or 16 (uint16)."""

class Filter:
    @property
    def position(self) -> int:
        """Wheel position, 0 first."""
    @property
    def name(self) -> str: ...
    @property
    def colour(self) -> int:
        """0xBBGGRR, red in the low byte."""
    @property
    def offset(self) -> int:
        """Focus offset: micrometres where the camera says so, else focuser steps."""

class GpsFix:
    @property
    def latitude(self) -> float:
        """Degrees, north positive."""
    @property
    def longitude(self) -> float:
        """Degrees, east positive."""
    @property
    def altitude(self) -> float:
        """In the receiver's unit."""
    @property
    def satellites(self) -> int: ...
    @property
    def valid(self) -> bool: ...
    @property
    def time(self) -> datetime.datetime:
        """The receiver's time now, timezone-aware UTC."""

class Event:
    """A camera of this process was connected or disconnected."""
    @property
    def connected(self) -> bool: ...
    @property
    def camera_id(self) -> int: ...
    @property
    def kind(self) -> str:
        """"connected" or "disconnected"."""

class EventIterator(Iterator[Event]):
    def __iter__(self) -> EventIterator: ...
    def __next__(self) -> Event: ...

Frame = Union[npt.NDArray[np.uint16], npt.NDArray[np.uint8]]
Binning = Union[int, Tuple[int, int]]
Window = Sequence[int]

def cameras() -> list[CameraInfo]:
    """The cameras on the bus that no program has open, in bus order."""

def events(timeout: Optional[float] = None) -> EventIterator:
    """Connection changes of the cameras this process has open; ends after
    timeout seconds without one (None: only Ctrl-C ends it). Iterate on the
    thread that opened the cameras so they reconnect by themselves."""

class Camera:
    """An open camera; a context manager that closes it."""
    def __init__(self, id: int) -> None: ...
    def close(self) -> None: ...
    def __enter__(self) -> Camera: ...
    def __exit__(self, *args: object) -> None: ...
    @property
    def id(self) -> int: ...
    @property
    def info(self) -> CameraInfo: ...
    @property
    def connected(self) -> bool: ...
    def expose(self, seconds: float, bin: Binning = 1, roi: Optional[Window] = None,
               mode: Union[int, str, None] = None, dark: bool = False) -> Frame:
        """Expose and read: an array (height, width), uint16 or uint8 in an 8-bit mode.
        roi is (x, y, width, height) in binned pixels; Ctrl-C ends the exposure."""
    def begin_exposure(self, bin: Binning = 1, roi: Optional[Window] = None,
                       mode: Union[int, str, None] = None, dark: bool = False) -> None: ...
    def end_exposure(self) -> None: ...
    def read_image(self) -> Frame: ...
    @property
    def last_timestamp(self) -> datetime.datetime:
        """UTC start of the last exposure from the camera's GPS receiver."""
    @property
    def temperature(self) -> float:
        """Sensor temperature, degrees Celsius."""
    @property
    def setpoint(self) -> Optional[float]:
        """Cooler set point, degrees Celsius; None until set."""
    @setpoint.setter
    def setpoint(self, celsius: float) -> None: ...
    @property
    def cooler_power(self) -> Optional[float]:
        """Fraction 0..1; None when the camera reports none."""
    @property
    def fan(self) -> Optional[int]: ...
    @fan.setter
    def fan(self, value: int) -> None: ...
    @property
    def window_heating(self) -> Optional[int]: ...
    @window_heating.setter
    def window_heating(self, level: int) -> None: ...
    @property
    def gain(self) -> Optional[int]:
        """Gain setting in 0.1 dB steps; None until set."""
    @gain.setter
    def gain(self, value: int) -> None: ...
    @property
    def gain_db(self) -> Optional[float]: ...
    @property
    def read_modes(self) -> list[ReadMode]: ...
    @property
    def filters(self) -> list[Filter]: ...
    @property
    def filter(self) -> Optional[int]:
        """Wheel position; set a position or a filter name. None until set."""
    @filter.setter
    def filter(self, which: Union[int, str]) -> None: ...
    def guide(self, ns_ms: int, we_ms: int, wait: bool = False) -> None:
        """Guide pulse in signed milliseconds on the north/south and west/east axes."""
    @property
    def guiding(self) -> bool: ...
    def gps(self) -> GpsFix: ...
