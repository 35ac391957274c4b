# Writes OUTPUT: the program IMAGE followed by a fixed payload of about 1.2 MiB of printable
# (non-zero) bytes. cmake -DIMAGE=... -DOUTPUT=... -P make_package.cmake
file(COPY_FILE ${IMAGE} ${OUTPUT})
set(line "Tavelo stand-in package payload 0123456789 abcdefghijklmnopqrst\n")  # 64 bytes
string(REPEAT "${line}" 19660 payload)
file(APPEND ${OUTPUT} "${payload}")
file(CHMOD ${OUTPUT} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
