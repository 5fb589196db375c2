# files of this area: target_sources(q_linux PRIVATE ...)
