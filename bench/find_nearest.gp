# findNearest: wall time per entity against the number of entities, for orvek and both baselines.
# gnuplot -e "data='find_nearest.dat'; output='find_nearest.png'" find_nearest.gp
set terminal pngcairo size 900,560 font "sans,11"
set output output
set title "World::findNearest, time per entity (median of the repetitions)"
set xlabel "active entities"
set ylabel "ns per entity"
set logscale x 2
set format x "2^{%L}"
set logscale y
set grid xtics ytics mytics
set key top left
plot data using 1:3 with linespoints lw 2 pt 7 title "plain scan (arccosine for every entity)", \
     data using 1:2 with linespoints lw 2 pt 5 title "orvek findNearest", \
     data using 1:4 with linespoints lw 2 pt 9 title "read-only pass over the same bytes"
