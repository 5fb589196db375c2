# end-to-end tests of the real program under Xvfb
