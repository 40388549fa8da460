"""Many copies of a few pictures, for bench/groups_quality.sh: 80 of each of
three theme icons, each resized to 16-128 px by one of three filters, some
blurred, recoloured, or flattened over white and saved as JPEG at quality
50 to 90, as a logo gathered from many places is. Each picture must stay one
group however its copies differ. Writes WORK/list and WORK/truth as
bench/groups_truth.py does (every copy of a picture one artwork and one
original).

    groups_many_copies.py WORK
"""
import os
import random
import sys

from PIL import Image, ImageEnhance, ImageFilter

from groups_truth import write_truth

PICTURES = ["/usr/share/icons/oxygen/base/128x128/apps/kate.png",
            "/usr/share/icons/oxygen/base/64x64/places/user-home.png",
            "/usr/share/icons/Yaru/256x256/apps/org.gnome.Calculator.png"]
COPIES = 80


def main():
    work = sys.argv[1]
    os.makedirs(os.path.join(work, "copies"), exist_ok=True)
    random.seed(5)
    paths, truth = [], []
    for a, source in enumerate(PICTURES):
        with Image.open(source) as im:
            picture = im.convert("RGBA")
        for c in range(COPIES):
            side = random.choice([16, 22, 24, 32, 48, 64, 96, 128])
            copy = picture.resize((side, side), random.choice([Image.LANCZOS, Image.BILINEAR, Image.BICUBIC]))
            if random.random() < 0.4:
                copy = copy.filter(ImageFilter.GaussianBlur(random.uniform(0.2, 0.8)))
            if random.random() < 0.4:
                copy = ImageEnhance.Color(copy).enhance(random.uniform(0.85, 1.15))
            path = os.path.join(work, "copies", f"{a}-{c}.png")
            if random.random() < 0.4:
                white = Image.new("RGBA", copy.size, (255, 255, 255, 255))
                path = path[:-4] + ".jpg"
                Image.alpha_composite(white, copy).convert("RGB").save(path, quality=random.randint(50, 90))
            else:
                copy.save(path)
            paths.append(path)
            truth.append(f"{a}\t{a}\tcopy")
    write_truth(work, paths, truth)


if __name__ == "__main__":
    main()
