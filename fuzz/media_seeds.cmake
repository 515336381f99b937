# Seeds that need an encoder: small PNG files of every colour type and small movies in the
# containers and codecs phones and tools write. Run by CMake in script mode:
#   cmake -DFFMPEG=/usr/bin/ffmpeg -DOUT=<corpus root> -P media_seeds.cmake
# An encoder this ffmpeg lacks only means one seed fewer.

function(make_seed folder name)
  file(MAKE_DIRECTORY "${OUT}/${folder}")
  execute_process(
    COMMAND "${FFMPEG}" -nostdin -hide_banner -loglevel error -y ${ARGN} "${OUT}/${folder}/${name}"
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(STATUS "fuzz seed ${folder}/${name} skipped: ffmpeg failed")
    file(REMOVE "${OUT}/${folder}/${name}")
  endif()
endfunction()

foreach(format rgba rgb24 pal8 gray gray16be ya8 rgb48be rgba64be monob)
  make_seed(png_loading ${format}.png -f lavfi -i testsrc2=size=12x9:rate=1 -frames:v 1
            -pix_fmt ${format})
endforeach()

set(picture -f lavfi -i testsrc2=size=32x24:rate=10)
set(sound -f lavfi -i sine=frequency=440:sample_rate=8000)
make_seed(movie_export h264.mp4 ${picture} ${sound} -t 0.5 -c:v libx264 -preset ultrafast
          -pix_fmt yuv420p -c:a aac -b:a 16k -shortest)
make_seed(movie_export h264-rotated.mp4 ${picture} -t 0.3 -c:v libx264 -preset ultrafast
          -metadata:s:v rotate=90)
make_seed(movie_export mpeg2.ts ${picture} ${sound} -t 0.5 -c:v mpeg2video -c:a mp2 -shortest)
# MPEG-2 carries its colour codes as written, even ones no standard defines.
make_seed(movie_export mpeg2-odd-colour.ts ${picture} -t 0.3 -c:v mpeg2video -colorspace 41
          -color_primaries 99 -color_trc 77)
make_seed(movie_export vp9.webm ${picture} -t 0.3 -c:v libvpx-vp9 -deadline realtime)
make_seed(movie_export hevc.mov ${picture} -t 0.3 -c:v libx265 -preset ultrafast
          -x265-params log-level=none)
make_seed(movie_export mjpeg.mkv ${picture} -t 0.3 -c:v mjpeg)
make_seed(movie_export anim.gif ${picture} -t 0.3)
make_seed(movie_export prores.mov -f lavfi -i testsrc2=size=16x12:rate=5 -t 0.4 -c:v prores_ks
          -profile:v 4444 -pix_fmt yuva444p10le)
