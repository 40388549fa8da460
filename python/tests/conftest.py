import os
import pathlib

import pytest

SOURCE = pathlib.Path(os.environ.get("VEXLOR_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
BUILD = pathlib.Path(os.environ.get("VEXLOR_BUILD_DIR", SOURCE / "build"))
DATA = SOURCE / "tests" / "data"


@pytest.fixture(scope="session")
def tools():
    return {"vexlor": str(BUILD / "vexlor"), "batch": str(BUILD / "vexlor-batch"),
            "card": str(BUILD / "vexlor-card"), "nearest": str(BUILD / "vexlor-nearest"),
            "groups": str(BUILD / "vexlor-groups")}


@pytest.fixture(scope="session")
def icons():
    names = ["calculator.png", "audio-card.jpg", "calculator-16bit.png", "calculator-grey.png",
             "calculator-palette.png", "audio-card-62x62.png", "wide-1x300.png", "package-256.png"]
    return [str(DATA / name) for name in names]
